#include "MoveJournal.h"
#include "Platform.h"
#include "TestHelpers.h"
#include "WorkFolders.h"

#include <gtest/gtest.h>

using namespace CorvoAudio;

namespace
{
    /** The real steps, with the n-th move made to fail, folders that will not move whole (as
        Windows refuses while a file in them is open), and files that cannot be deleted (as a
        module a host has loaded). */
    struct FailingSteps final : FileSteps
    {
        juce::Result move (const juce::File& from, const juce::File& to) override
        {
            if (refuseWholeFolders && from.isDirectory())
                return juce::Result::fail ("Access is denied.");

            // What a program holds cannot move, neither whole nor entry by entry.
            if (++moves == failMove)
                blocked = from;

            if (blocked != juce::File() && (from == blocked || from.isAChildOf (blocked)))
                return juce::Result::fail ("injected failure of move " + juce::String (moves));

            if (stuck != juce::File() && (from == stuck || from.isAChildOf (stuck)))
                return juce::Result::fail ("injected failure of move " + juce::String (moves));

            return FileSteps::move (from, to);
        }

        bool remove (const juce::File& path) override
        {
            // Deletes everything but the held file, as Windows does.
            if (held != juce::File() && (held == path || held.isAChildOf (path)))
            {
                for (const auto& file : path.findChildFiles (juce::File::findFiles, true))
                    if (file != held)
                        file.deleteFile();

                return false;
            }

            return FileSteps::remove (path);
        }

        bool removeAtRestart (const juce::File& path) override
        {
            listedForRestart.add (path);
            return true;
        }

        int failMove = 0, moves = 0;
        juce::File blocked, stuck;   // stuck: what a host took hold of once it was aside
        bool refuseWholeFolders = false;
        juce::File held;
        juce::Array<juce::File> listedForRestart;
    };

    void makeBundle (const juce::File& bundle, const juce::String& version)
    {
        for (auto* name : { "Contents/x86_64-win/module.dll", "Contents/Resources/info.txt", "desktop.ini" })
        {
            bundle.getChildFile (name).create();
            bundle.getChildFile (name).replaceWithText (juce::String (name) + " " + version);
        }
    }

    juce::String contentOf (const juce::File& folder)
    {
        juce::String text;

        for (const auto& file : folder.findChildFiles (juce::File::findFiles, true))
            text << file.getRelativePathFrom (folder) << "=" << file.loadFileAsString() << ";";

        return text;
    }
}

TEST (Replacement, EitherTheNewBundleIsInPlaceOrEverythingIsAsItWas)
{
    // As an installation replaces a bundle: its folder made where missing, the old bundle moved
    // aside, the new one moved in; a step that fails puts everything back.
    struct Case { const char* name; int failMove; bool refuseWholeFolders; bool replaced; };

    const Case cases[] = {
        { "every step works", 0, false, true },
        { "the old bundle cannot be moved aside", 1, false, false },
        { "the new bundle cannot be moved in", 2, false, false },
        { "folders move entry by entry", 0, true, true },
        { "a file of the old bundle cannot be moved", 2, true, false },
        { "a file of the new bundle cannot be moved", 6, true, false },
    };

    for (const auto& c : cases)
    {
        testing_support::TempFolder temp;
        const auto target = temp["VST3/Ondra.vst3"];
        const auto staged = temp["work/1/Ondra.vst3"];
        const auto aside = temp["work/2"];
        makeBundle (target, "old");
        makeBundle (staged, "new");
        const auto oldContent = contentOf (target), newContent = contentOf (staged);

        FailingSteps steps;
        steps.failMove = c.failMove;
        steps.refuseWholeFolders = c.refuseWholeFolders;
        MoveJournal journal (steps);

        juce::Array<juce::File> created;
        auto result = journal.createFolders (temp["Made/Sub"], created);

        if (result.wasOk())
            result = journal.move (target, aside);

        if (result.wasOk())
            result = journal.move (staged, target);

        if (result.failed())
        {
            EXPECT_TRUE (journal.undo().isEmpty()) << c.name;
        }

        EXPECT_EQ (result.wasOk(), c.replaced) << c.name << ": " << result.getErrorMessage();
        EXPECT_EQ (contentOf (target), c.replaced ? newContent : oldContent) << c.name;
        EXPECT_EQ (contentOf (aside), c.replaced ? oldContent : juce::String()) << c.name;
        EXPECT_EQ (contentOf (staged), c.replaced ? juce::String() : newContent) << c.name;
        EXPECT_EQ (temp["Made"].exists(), c.replaced) << c.name << ": a folder made for nothing goes again";
        EXPECT_EQ (created.size(), 2) << c.name;
    }
}

TEST (Replacement, WhatCannotBePutBackIsKeptAndNamed)
{
    // The new bundle cannot move in, and a host has taken hold of the old one where it was put
    // aside: it stays there, and so does the run's folder, for the user to be told about.
    testing_support::TempFolder temp;
    const auto target = temp["VST3/Ondra.vst3"];
    const auto staged = temp["staged/Ondra.vst3"];
    makeBundle (target, "old");
    makeBundle (staged, "new");
    const auto oldContent = contentOf (target);

    FailingSteps steps;
    juce::File aside, runFolder;

    {
        WorkFolders work ("kept-test-" + juce::Uuid().toString(), steps);
        ASSERT_TRUE (work.asidePathFor (target, aside).wasOk());
        runFolder = aside.getParentDirectory();
        steps.failMove = 2;
        steps.stuck = aside;

        MoveJournal journal (steps);
        ASSERT_TRUE (journal.move (target, aside).wasOk());
        EXPECT_TRUE (journal.move (staged, target).failed());

        const auto left = journal.undo();
        ASSERT_EQ (left.size(), 1) << "the old bundle could not go back";
        work.keep();
        EXPECT_EQ (work.getFolders(), juce::StringArray (runFolder.getFullPathName()));
    }

    EXPECT_EQ (contentOf (aside), oldContent) << "kept, never deleted with the run's folder";
    platform::deletePath (runFolder);
}

TEST (Replacement, WhatAHostHoldsIsDeletedAtTheRestart)
{
    testing_support::TempFolder temp;
    FailingSteps steps;
    juce::File aside;

    {
        WorkFolders work ("replacement-test-" + juce::Uuid().toString(), steps);
        ASSERT_TRUE (work.asidePathFor (temp["VST3/Ondra.vst3"], aside).wasOk());
        EXPECT_FALSE (aside.getFullPathName().containsIgnoreCase ("vst3")) << "a name no host loads: " << aside.getFullPathName();
        EXPECT_TRUE (aside.isAChildOf (WorkFolders::placeOn (platform::volumeOf (temp.folder))));
        EXPECT_FALSE (aside.isAChildOf (temp.folder)) << "away from the folders a host scans";

        // An old bundle, put aside, whose module a host has loaded meanwhile.
        makeBundle (aside, "old");
        steps.held = aside.getChildFile ("Contents/x86_64-win/module.dll");

        const auto listed = work.dispose (aside);
        EXPECT_TRUE (work.restartNeeded());
        EXPECT_EQ (listed, (juce::Array<juce::File> { steps.held, aside.getChildFile ("Contents/x86_64-win"),
                                                      aside.getChildFile ("Contents/Resources"), aside.getChildFile ("Contents"), aside }))
            << "the file first, then its folders, the deepest first";
        EXPECT_TRUE (steps.held.existsAsFile());
        EXPECT_FALSE (aside.getChildFile ("desktop.ini").exists()) << "what is free goes at once";
    }

    // The run's own folder goes after what it holds.
    EXPECT_EQ (steps.listedForRestart.getLast(), aside.getParentDirectory());
    platform::deletePath (aside.getParentDirectory());
}

TEST (Replacement, LeftoversOfKilledRunsAreRemoved)
{
    testing_support::TempFolder temp;
    const auto product = "leftover-test-" + juce::Uuid().toString();
    const auto destination = temp["VST3"];
    destination.createDirectory();

    const auto legacy = destination.getChildFile (".installing-" + product + "-1234");
    legacy.getChildFile ("Ondra.vst3/half.dll").create();
    const auto othersStaging = destination.getChildFile (".installing-another-1234");
    othersStaging.createDirectory();
    const auto usersFile = destination.getChildFile (".installing-" + product + "-notes.txt");
    usersFile.create();

    const auto place = WorkFolders::placeOn (platform::volumeOf (destination));
    const auto killedRun = place.getChildFile (".installer-{" + product + "}-0123456789ab");
    killedRun.getChildFile ("1/Ondra.vst3/Contents/module.dll").create();
    const auto anotherProduct = place.getChildFile (".installer-{another-" + product + "}-0123456789ab");
    anotherProduct.createDirectory();

    // A run of the same product in another session, still going.
    const auto goingRun = place.getChildFile (".installer-{" + product + "}-aaaaaaaaaaaa");
    goingRun.getChildFile ("1/half.dll").create();
    auto marker = std::make_unique<platform::LifetimeMarker> (goingRun.getChildFile (".running"));
    ASSERT_TRUE (marker->isHeld());

    WorkFolders::removeLeftovers (product, { destination });

    EXPECT_FALSE (legacy.exists());
    EXPECT_FALSE (killedRun.exists());
    EXPECT_TRUE (othersStaging.isDirectory()) << "another product's run may still be going";
    EXPECT_TRUE (anotherProduct.isDirectory());
    EXPECT_TRUE (goingRun.getChildFile ("1/half.dll").existsAsFile()) << "a run that holds its marker is going";
    EXPECT_TRUE (usersFile.existsAsFile()) << "only folders are staging folders";

    // Once it has ended, it is a leftover like any other.
    marker.reset();
    WorkFolders::removeLeftovers (product, { destination });
    EXPECT_FALSE (goingRun.exists());
    platform::deletePath (anotherProduct);
}

TEST (Replacement, TheRightsAskedForTheInstallersFolder)
{
    // Wine keeps no access rights of its own (it derives them from the Unix permissions), so what
    // is checked here is the descriptor the folder is made with: protected from what its parent
    // passes on, and full control for Administrators and SYSTEM alone, passed on to all below.
    const auto sddl = platform::adminOnlyAccess();
    ASSERT_TRUE (sddl.startsWith ("D:P(")) << sddl;

    juce::StringArray trustees;

    for (const auto& ace : juce::StringArray::fromTokens (sddl.substring (4).dropLastCharacters (1).replace (")(", "|"), "|", ""))
    {
        const auto fields = juce::StringArray::fromTokens (ace, ";", "");
        ASSERT_EQ (fields.size(), 6) << ace;
        EXPECT_EQ (fields[0], "A") << ace;
        EXPECT_EQ (fields[1], "OICI") << ace;
        EXPECT_EQ (fields[2], "FA") << ace;
        trustees.add (fields[5]);
    }

    EXPECT_EQ (trustees, juce::StringArray ({ "BA", "SY" }));
}
