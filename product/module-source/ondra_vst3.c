/* Placeholder module for the Ondra demo payload. */
#include <stddef.h>

__declspec(dllexport) void *GetPluginFactory(void)
{
    return NULL;
}
