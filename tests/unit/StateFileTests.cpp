#include "Identifiers.h"
#include "TestHelpers.h"
#include "UiProperties.h"
#include "ValueTreeFile.h"

#include <gtest/gtest.h>

using testing_support::pumpUntil;

namespace
{
    juce::ValueTree readBack (const juce::File& file)
    {
        juce::FileInputStream input (file);
        return juce::ValueTree::readFromStream (input);
    }
}

TEST (StateFile, MissingFileIsCreatedAndStoredStateIsLoaded)
{
    testing_support::TempFolder temp;
    const auto file = temp["Company/App/AppProperties.properties"];

    {
        juce::ValueTree tree (Ids::AppProperties);
        tree.setProperty (Ids::NextPageToShow, 2, nullptr);
        ValueTreeFile keeper (tree, file);
        EXPECT_TRUE (file.existsAsFile());
    }

    juce::ValueTree fresh (Ids::AppProperties);
    fresh.setProperty (Ids::NextPageToShow, 0, nullptr);
    ValueTreeFile keeper (fresh, file);
    EXPECT_EQ ((int) fresh[Ids::NextPageToShow], 2);
}

TEST (StateFile, BurstIsWrittenOnceAfterItEnds)
{
    testing_support::TempFolder temp;
    const auto file = temp["state.properties"];
    juce::ValueTree tree (Ids::AppProperties);
    ValueTreeFile keeper (tree, file);

    const auto before = readBack (file);
    EXPECT_FALSE (before.hasProperty (Ids::OperationMode));

    const auto start = juce::Time::getMillisecondCounter();

    for (int i = 0; i < 20; ++i)
        tree.setProperty (Ids::OperationMode, i, nullptr);

    // Nothing for a while: the writer waits for a second of quiet.
    pumpUntil ([&] { return juce::Time::getMillisecondCounter() - start > 600; });
    EXPECT_FALSE (readBack (file).hasProperty (Ids::OperationMode));

    // Then the burst is written, once: the file is not written again while nothing changes.
    ASSERT_TRUE (pumpUntil ([&] { return readBack (file).hasProperty (Ids::OperationMode); }, 5000));
    const auto firstWrite = file.getLastModificationTime();
    pumpUntil ([] { return false; }, 1500);
    EXPECT_EQ (file.getLastModificationTime(), firstWrite);

    const auto written = readBack (file);
    EXPECT_TRUE (written.hasType (Ids::Transfer));
    EXPECT_EQ ((int) written[Ids::OperationMode], 19);
}

TEST (StateFile, StreamOfChangesIsStillWrittenEveryFewSeconds)
{
    testing_support::TempFolder temp;
    const auto file = temp["state.properties"];
    juce::ValueTree tree (Ids::AppProperties);
    ValueTreeFile keeper (tree, file);

    const auto start = juce::Time::getMillisecondCounter();
    int counter = 0;

    // A change every 200 ms never leaves a second of quiet; the stream is still written while it
    // goes on, with one of its values.
    const auto written = pumpUntil ([&]
    {
        if (juce::Time::getMillisecondCounter() - start > (juce::uint32) counter * 200)
            tree.setProperty (Ids::OperationMode, ++counter, nullptr);

        return readBack (file).hasProperty (Ids::OperationMode);
    }, 20000);

    ASSERT_TRUE (written);
    const auto value = (int) readBack (file)[Ids::OperationMode];
    EXPECT_GT (value, 5) << "written during the stream, not before it began";
    EXPECT_LE (value, counter);
}

TEST (StateFile, SaveNowReplacesTheFileAndLeavesNoTemporaryFiles)
{
    testing_support::TempFolder temp;
    const auto file = temp["state.properties"];
    juce::ValueTree tree (Ids::AppProperties);
    ValueTreeFile keeper (tree, file);

    tree.setProperty (Ids::NextPageToShow, 2, nullptr);
    keeper.saveNow();

    const auto written = readBack (file);
    EXPECT_TRUE (written.hasType (Ids::AppProperties));
    EXPECT_EQ ((int) written[Ids::NextPageToShow], 2);

    EXPECT_EQ (temp.folder.getNumberOfChildFiles (juce::File::findFiles), 1);
}

TEST (StateFile, UnreadableFileEmptiesTheTree)
{
    testing_support::TempFolder temp;
    const auto file = temp["state.properties"];
    file.replaceWithText ("not a value tree");

    juce::ValueTree tree (Ids::AppProperties);
    tree.setProperty (Ids::NextPageToShow, 2, nullptr);
    ValueTreeFile keeper (tree, file);
    EXPECT_EQ ((int) tree[Ids::NextPageToShow], 0);
}

TEST (WindowState, PositionRoundTripsAndReadsOtherSeparators)
{
    Quor::Properties::UiPersistentProperties view ({ 495, 660 });
    view.setTree (juce::ValueTree (Ids::AppProperties), true);
    EXPECT_EQ ((float) view.getZoom(), 1.0f);
    EXPECT_EQ (view.getWindowPosition().getWidth(), 495);

    view.setWindowPosition ({ 10, 20, 495, 660 });
    EXPECT_EQ (view.getWindowPosition(), juce::Rectangle<int> (10, 20, 495, 660));

    view.setString ("1,2;3 4", Ids::windowPosition);
    EXPECT_EQ (view.getWindowPosition(), juce::Rectangle<int> (1, 2, 3, 4));
}

TEST (WindowState, ChildTreeChangesDoNotReachCallbacks)
{
    juce::ValueTree persistent (Ids::AppProperties);
    Quor::Properties::UiPersistentCallbacks view ({ 495, 660 });
    view.setTree (persistent, true);
    view.startListening();

    int calls = 0;
    view.onWindowPositionChanged = [&] (const juce::Rectangle<int>&) { ++calls; };

    juce::ValueTree child ("Child");
    view.getTree().appendChild (child, nullptr);
    child.setProperty (Ids::windowPosition, "1 2 3 4", nullptr);
    EXPECT_EQ (calls, 0);

    view.getTree().setProperty (Ids::windowPosition, "5 6 7 8", nullptr);
    EXPECT_EQ (calls, 1);
}
