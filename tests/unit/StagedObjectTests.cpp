#include "StagedObject.h"
#include "TestHelpers.h"

#include <gtest/gtest.h>

using namespace CorvoAudio;

namespace
{
    /** The real steps, with the n-th one of a kind made to fail. */
    struct FailingSteps final : SwapSteps
    {
        juce::File fileInUse (const juce::File& path) override
        {
            return failInUse ? path.getChildFile ("module.dll") : SwapSteps::fileInUse (path);
        }

        juce::Result move (const juce::File& from, const juce::File& to) override
        {
            if (++moves == failMove)
                return juce::Result::fail ("injected failure of move " + juce::String (moves));

            return SwapSteps::move (from, to);
        }

        bool remove (const juce::File& path) override
        {
            return failRemove ? false : SwapSteps::remove (path);
        }

        bool failInUse = false, failRemove = false;
        int failMove = 0, moves = 0;
    };

    void makeBundle (const juce::File& bundle, const juce::String& version)
    {
        bundle.getChildFile ("Contents/x86_64-win/module.dll").create();
        bundle.getChildFile ("Contents/x86_64-win/module.dll").replaceWithText ("module " + version);
        bundle.getChildFile ("Contents/Resources/info.txt").create();
        bundle.getChildFile ("Contents/Resources/info.txt").replaceWithText ("info " + version);
    }

    juce::String contentOf (const juce::File& bundle)
    {
        juce::String text;

        for (const auto& file : bundle.findChildFiles (juce::File::findFiles, true))
            text << file.getRelativePathFrom (bundle) << "=" << file.loadFileAsString() << ";";

        return text;
    }
}

TEST (StagedObject, SwapReplacesTheBundleWholeOrLeavesTheOldOneAsItWas)
{
    struct Case { const char* name; bool inUse; int failMove; bool failRemove; bool ok; const char* installed; };

    const Case cases[] = {
        { "every step works", false, 0, false, true, "new" },
        { "a file of the old bundle is in use", true, 0, false, false, "old" },
        { "the old bundle cannot be moved aside", false, 1, false, false, "old" },
        { "the new bundle cannot be moved into place", false, 2, false, false, "old" },
        { "the old bundle cannot be deleted", false, 0, true, false, "new" },
    };

    for (const auto& c : cases)
    {
        testing_support::TempFolder temp;
        const auto target = temp["VST3/Ondra.vst3"];
        const auto staging = temp["VST3/.staging"];
        makeBundle (target, "old");
        makeBundle (staging.getChildFile ("Ondra.vst3"), "new");
        const auto before = contentOf (target);

        FailingSteps steps;
        steps.failInUse = c.inUse;
        steps.failMove = c.failMove;
        steps.failRemove = c.failRemove;

        const auto result = swapIntoPlace (staging.getChildFile ("Ondra.vst3"), target, staging, steps);

        EXPECT_EQ (result.wasOk(), c.ok) << c.name << ": " << result.getErrorMessage();
        if (juce::String (c.installed) == "old")
        {
            EXPECT_EQ (contentOf (target), before) << c.name;
        }
        else
        {
            EXPECT_EQ (target.getChildFile ("Contents/x86_64-win/module.dll").loadFileAsString(), "module new") << c.name;
            EXPECT_EQ (target.getChildFile ("Contents/Resources/info.txt").loadFileAsString(), "info new") << c.name;
        }

        if (c.inUse)
        {
            EXPECT_TRUE (result.getErrorMessage().contains ("module.dll is in use")) << c.name;
        }
    }
}

TEST (StagedObject, StagingFolderGoesAndLeftoversOfAKilledRunAreRemoved)
{
    testing_support::TempFolder temp;
    const auto destination = temp["VST3"];
    destination.createDirectory();

    const auto leftover = destination.getChildFile (".installing-product-1234");
    leftover.getChildFile ("half.dll").create();
    const auto othersStaging = destination.getChildFile (".installing-another-1234");
    othersStaging.createDirectory();
    const auto usersFile = destination.getChildFile (".installing-product-notes.txt");
    usersFile.create();

    StagingFolder::removeLeftovers (destination, "product");
    EXPECT_FALSE (leftover.exists());
    EXPECT_TRUE (othersStaging.isDirectory()) << "another product's run may still be going";
    EXPECT_TRUE (usersFile.existsAsFile()) << "only folders are staging folders";

    juce::File folder;

    {
        StagingFolder staging (destination, "product");
        ASSERT_TRUE (staging.create().wasOk());
        folder = staging.getFolder();
        folder.getChildFile ("a/b.txt").create();
        EXPECT_TRUE (folder.isDirectory());
    }

    EXPECT_FALSE (folder.exists());
}
