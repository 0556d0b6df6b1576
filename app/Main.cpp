#include "AppInstaller.h"
#include "CommandLine.h"
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

// JUCE's START_JUCE_APPLICATION, with two things done before the application object exists: a
// headless run attaches to the console it was started from, and a log file named on the command
// line is opened, so that every line the run prints (the manifest text comes first, during
// construction) reaches both.
extern "C" int __stdcall WinMain (HINSTANCE, HINSTANCE, LPSTR, int)
{
    const auto arguments = CorvoAudio::CommandLine::parse (juce::JUCEApplicationBase::getCommandLineParameters());

    if (arguments.headless || arguments.help)
        platform::attachParentConsole();

    // The log holds the run from its first line on; a log that cannot be written is reported, and
    // the run refused, once the application has started.
    if (arguments.logFile.isNotEmpty())
        platform::openLogFile (juce::File (arguments.logFile));

    juce::JUCEApplicationBase::createInstance = &juce_CreateApplication;
    return juce::JUCEApplicationBase::main();
}
