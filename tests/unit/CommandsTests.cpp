#include "Commands.h"
#include "Platform.h"

#include <gtest/gtest.h>

namespace
{
    juce::String cmd()
    {
        return platform::getFolder (platform::Folder::system).getChildFile ("cmd.exe").getFullPathName().quoted();
    }
}

TEST (Commands, OutputLinesArePassedOnWithTheirLineBreaks)
{
    struct Case { const char* name; juce::String commandLine; juce::StringArray lines; juce::String result; };

    const Case cases[] = {
        // The counting loop keeps the program running a moment after its output: bytes still
        // unread when a program has already ended are not passed on.
        { "two lines", cmd() + " /c \"echo a& echo b& for /l %i in (1,1,3000) do @rem\"", { "a\r", "\n", "b\r", "\n" }, "\n" },
        { "no line break: nothing", cmd() + " /c \"<nul set /p =done\"", {}, {} },
    };

    for (const auto& c : cases)
    {
        juce::StringArray lines;
        const auto result = CorvoAudio::runCommand (c.commandLine, nullptr, [&] (const juce::String& line) { lines.add (line); });
        EXPECT_EQ (lines, c.lines) << c.name;
        EXPECT_EQ (result, c.result) << c.name;
    }

    int calls = 0;
    const auto missing = CorvoAudio::runCommand ("\"C:\\no such folder\\no such program.exe\"", nullptr,
                                                 [&] (const juce::String&) { ++calls; });
    EXPECT_EQ (missing, "Error starting command: \"C:\\no such folder\\no such program.exe\"");
    EXPECT_EQ (calls, 0);
}
