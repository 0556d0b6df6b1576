#include "AppProperties.h"
#include "Identifiers.h"
#include "RuntimeProperties.h"

#include <gtest/gtest.h>

namespace
{
    juce::ValueTree newRuntimeTree()
    {
        RuntimeProperties creator;
        creator.setTree ({}, true);
        return creator.getTree();
    }
}

TEST (PropertyTrees, DefaultsOfNewTrees)
{
    RuntimeProperties runtime;
    runtime.setTree ({}, true);
    EXPECT_TRUE (runtime.getTree().hasType (Ids::RuntimeProperties));
    EXPECT_FALSE (runtime.getAdminPermissions());
    EXPECT_TRUE ((bool) runtime.getTree()[Ids::ChangePage]);
    EXPECT_EQ (runtime.getInstallationErrors(), "");
    EXPECT_TRUE (runtime.getTree().hasProperty (Ids::InstallationErrors));
    EXPECT_FALSE (runtime.isRunningHeadless());
    EXPECT_FALSE (runtime.getTree().hasProperty (Ids::LastLogMessage));

    AppProperties app;
    app.setTree ({}, true);
    EXPECT_EQ (app.getNextPageToShow(), AppProperties::welcome);
    EXPECT_EQ (app.getOperationMode(), 0);

    AppProperties detached;
    EXPECT_EQ (detached.getNextPageToShow(), AppProperties::welcome);
    EXPECT_FALSE (detached.getBool (Ids::AdminPermissions));
    EXPECT_EQ (detached.getString (Ids::AppName), "");
}

TEST (PropertyTrees, WriterIsLeftOutAndOnlyChangesNotify)
{
    auto tree = newRuntimeTree();
    RuntimeProperties writer, watcher;
    writer.setTree (tree, false);
    watcher.setTree (tree, false);
    writer.startListening();
    watcher.startListening();

    int writerCalls = 0, watcherCalls = 0;
    writer.onAdminPermissionsChanged = [&] (bool) { ++writerCalls; };
    watcher.onAdminPermissionsChanged = [&] (bool) { ++watcherCalls; };

    writer.setAdminPermissions (true);
    EXPECT_EQ (writerCalls, 0);
    EXPECT_EQ (watcherCalls, 1);

    writer.setAdminPermissions (true);   // same value: nobody hears of it
    EXPECT_EQ (watcherCalls, 1);

    writer.setBool (false, Ids::AdminPermissions, true);   // notifySelf reaches the writer too
    EXPECT_EQ (writerCalls, 1);
    EXPECT_EQ (watcherCalls, 2);
}

TEST (PropertyTrees, ChangePageAlwaysNotifiesOthers)
{
    auto tree = newRuntimeTree();
    RuntimeProperties writer, watcher;
    writer.setTree (tree, false);
    watcher.setTree (tree, false);
    watcher.startListening();

    int pageRequests = 0;
    watcher.onChangePage = [&] { ++pageRequests; };

    for (int i = 0; i < 3; ++i)
        writer.changePage();

    EXPECT_EQ (pageRequests, 3);
}

TEST (PropertyTrees, EqualLogLinesStillReachListeners)
{
    auto tree = newRuntimeTree();
    RuntimeProperties writer, watcher;
    writer.setTree (tree, false);
    watcher.setTree (tree, false);
    watcher.startListening();

    juce::StringArray seen;
    watcher.onLastLogMessageChanged = [&] (juce::String line) { seen.add (line); };

    for (auto* line : { "same", "same" })
    {
        writer.setLastLogMessage ({});
        writer.setLastLogMessage (line);
    }

    EXPECT_EQ (seen, juce::StringArray ({ "", "same", "", "same" }));
}

TEST (PropertyTrees, AttachFindsOrCreatesChildOfItsType)
{
    juce::ValueTree persistent (Ids::AppProperties);

    RuntimeProperties first;
    first.setTree (persistent, true);
    ASSERT_EQ (persistent.getNumChildren(), 1);
    EXPECT_TRUE (persistent.getChild (0).hasType (Ids::RuntimeProperties));
    EXPECT_TRUE ((bool) persistent.getChild (0)[Ids::ChangePage]);

    RuntimeProperties second;
    second.setTree (persistent, true);
    EXPECT_EQ (persistent.getNumChildren(), 1);
    EXPECT_EQ (second.getTree(), persistent.getChild (0));

    RuntimeProperties withoutCreation;
    withoutCreation.setTree (juce::ValueTree (Ids::Manifest), false);
    EXPECT_FALSE (withoutCreation.getTree().isValid());
}

TEST (PropertyTrees, ReattachedListenerFollowsTheNewTree)
{
    AppProperties view;
    view.setTree ({}, true);
    view.startListening();

    AppProperties other;
    other.setTree ({}, true);
    view.setTree (other.getTree(), false);

    std::optional<AppProperties::PageType> heard;
    view.onNextPageToShowChanged = [&] (AppProperties::PageType page) { heard = page; };
    other.setNextPageToShow (AppProperties::install);

    ASSERT_TRUE (heard.has_value());
    EXPECT_EQ (*heard, AppProperties::install);
}

TEST (PropertyTrees, ErrorsJoinWithSemicolons)
{
    RuntimeProperties runtime;
    runtime.setTree ({}, true);
    runtime.setInstallationErrors ({ "A", "B" });
    EXPECT_EQ (runtime.getInstallationErrors(), "A;B");
    runtime.setInstallationErrors ({});
    EXPECT_EQ (runtime.getInstallationErrors(), "");
}
