#include "AppInstaller.h"
#include "Platform.h"

#include <windows.h>

namespace
{
    // Before any other part of the program runs (the first constructors run at priority 101): the
    // DLLs it imports at first use, and every one that JUCE or Windows loads by name, come from
    // System32 alone, never from the download folder the installer was started in.
    struct DllSearchRestriction
    {
        DllSearchRestriction()  { platform::restrictDllSearchToSystem(); }
    };

    __attribute__ ((init_priority (101))) DllSearchRestriction dllSearchRestriction;
}

juce::JUCEApplicationBase* juce_CreateApplication()
{
    return new CorvoAudio::AppInstaller();
}

// JUCE's START_JUCE_APPLICATION, with one thing done before the application object exists: a
// headless run attaches to the console it was started from, so that every line it prints (the
// manifest text comes first, during construction) reaches that console.
extern "C" int __stdcall WinMain (HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (juce::String (GetCommandLineW()).contains ("--headless"))
        platform::attachParentConsole();

    juce::JUCEApplicationBase::createInstance = &juce_CreateApplication;
    return juce::JUCEApplicationBase::main();
}
