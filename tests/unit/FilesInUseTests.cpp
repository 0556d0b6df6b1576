#include "FilesInUse.h"
#include "Platform.h"
#include "TestHelpers.h"

#include <gtest/gtest.h>

#include <map>

using namespace CorvoAudio;

namespace
{
    /** Stands in for the system: which files are held, for how many more looks, and by whom. */
    struct FakeProbe final : FileUseProbe
    {
        bool isHeld (const juce::File& file) override
        {
            // Folders by their name and a "/".
            auto& looks = holds[file.getFileName() + (file.isDirectory() ? "/" : "")];

            if (looks == 0)
                return false;

            if (looks > 0)
                --looks;

            return true;
        }

        std::vector<platform::ProcessInfo> programsUsing (const juce::Array<juce::File>& files) override
        {
            ++questions;
            std::vector<platform::ProcessInfo> found;

            for (const auto& file : files)
                if (const auto named = programs.find (file.getFileName()); named != programs.end())
                    found.push_back (named->second);

            return found;
        }

        std::map<juce::String, int> holds;   // looks left held; -1 for ever
        std::map<juce::String, platform::ProcessInfo> programs;
        int questions = 0;
    };

    juce::Array<juce::File> makeBundle (const juce::File& bundle, int files)
    {
        juce::Array<juce::File> made;

        for (int i = 0; i < files; ++i)
        {
            const auto file = bundle.getChildFile ("Contents/Resources/sample" + juce::String (i) + ".wav");
            file.create();
            made.add (file);
        }

        bundle.getChildFile ("Contents/x86_64-win/Ondra.vst3").create();
        return made;
    }
}

TEST (FilesInUse, ProgramsAreNamedForTheFilesTheyHold)
{
    testing_support::TempFolder temp;
    const auto bundle = temp["VST3/Ondra.vst3"];
    makeBundle (bundle, 62);

    FakeProbe probe;
    probe.holds["Ondra.vst3"] = -1;                              // loaded by a host
    probe.programs["Ondra.vst3"] = { "Studio Host 5", 4242 };
    probe.holds["sample7.wav"] = -1;                             // held, with no program Windows names

    const auto inUse = findFilesInUse ({ bundle }, probe, 0, 0, nullptr);

    juce::StringArray lines;

    for (const auto& file : inUse)
        lines.add (inUseLine (file));

    lines.sort (true);
    juce::StringArray expected;
    expected.add (bundle.getChildFile ("Contents/Resources/sample7.wav").getFullPathName() + " is in use");
    expected.add (bundle.getChildFile ("Contents/x86_64-win/Ondra.vst3").getFullPathName() + " is in use by Studio Host 5 (process 4242)");
    EXPECT_EQ (lines, expected);

    // The Restart Manager only names who holds what the probes found: it is asked about those
    // files, not about every file of the bundle, and not at all when nothing is held.
    EXPECT_LE (probe.questions, 3);

    FakeProbe free;
    EXPECT_TRUE (findFilesInUse ({ bundle }, free, 0, 0, nullptr).empty());
    EXPECT_EQ (free.questions, 0);

    // A folder that a program stands in (a command prompt's current folder) cannot be renamed.
    FakeProbe standing;
    standing.holds["Contents/"] = -1;
    const auto folderInUse = findFilesInUse ({ bundle }, standing, 0, 0, nullptr);
    ASSERT_EQ (folderInUse.size(), 1u);
    EXPECT_EQ (inUseLine (folderInUse[0]), bundle.getChildFile ("Contents").getFullPathName() + " is in use");
}

TEST (FilesInUse, TransientHoldsAreLookedAtAgainBeforeTheyCount)
{
    testing_support::TempFolder temp;
    const auto bundle = temp["VST3/Ondra.vst3"];
    makeBundle (bundle, 3);

    // A virus scanner holds a file for a few looks: it passes.
    FakeProbe scanned;
    scanned.holds["sample1.wav"] = 4;
    EXPECT_TRUE (findFilesInUse ({ bundle }, scanned, 5000, 10, nullptr).empty());
    EXPECT_EQ (scanned.holds["sample1.wav"], 0) << "every look was taken";

    // A hold that outlasts the bound counts.
    FakeProbe loaded;
    loaded.holds["Ondra.vst3"] = -1;
    const auto inUse = findFilesInUse ({ bundle }, loaded, 100, 10, nullptr);
    ASSERT_EQ (inUse.size(), 1u);
    EXPECT_EQ (inUse[0].file, bundle.getChildFile ("Contents/x86_64-win/Ondra.vst3"));

    // Missing paths hold nothing.
    EXPECT_TRUE (findFilesInUse ({ temp["nothing here"] }, loaded, 0, 0, nullptr).empty());
}

TEST (FilesInUse, ALoadedModuleIsHeldAndAReadOnlyFileIsNot)
{
    // The system's own answer: a module loaded as a host loads a plug-in has no open handle, yet
    // it can be neither written nor deleted.
    testing_support::TempFolder temp;
    const auto module = temp["VST3/Ondra.vst3/Contents/x86_64-win/Ondra.vst3"];
    module.getParentDirectory().createDirectory();
    ASSERT_TRUE (juce::File (INSTALLER_PRODUCT_DIR).getChildFile ("payload/Tarrow Audio - Ondra.vst3/Contents/x86_64-win/Tarrow Audio - Ondra.vst3")
                     .copyFileTo (module));

    const auto readOnly = temp["VST3/Ondra.vst3/Contents/Resources/moduleinfo.json"];
    readOnly.create();
    ASSERT_TRUE (platform::addFileAttributes (readOnly, false, true));

    EXPECT_FALSE (platform::isFileHeld (module));
    EXPECT_FALSE (platform::isFileHeld (readOnly));
    EXPECT_TRUE (platform::getFileAttributes (readOnly).readOnly) << "the probe leaves the attribute as it was";

    {
        juce::DynamicLibrary host;
        ASSERT_TRUE (host.open (module.getFullPathName()));
        EXPECT_TRUE (platform::isFileHeld (module));
        FileUseProbe real;
        EXPECT_EQ (findFilesInUse ({ temp["VST3/Ondra.vst3"] }, real, 0, 0, nullptr).size(), 1u);
    }

    EXPECT_FALSE (platform::isFileHeld (module)) << "free once the host lets go";
}
