/* Placeholder module for the Ondra demo payload. */
__declspec(dllexport) long ACFRegisterPlugin(void *unkHost, void **ppPluginDefinition)
{
    (void)unkHost;
    if (ppPluginDefinition)
        *ppPluginDefinition = 0;
    return 0;
}
