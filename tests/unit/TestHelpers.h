#pragma once

#include "AppProperties.h"
#include "CorvoApp.h"
#include "Platform.h"
#include "RuntimeProperties.h"

#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

#include <functional>
#include <optional>
#include <utility>

namespace testing_support
{
    /** Runs the message loop until condition holds or the time-out passes; returns the condition. */
    inline bool pumpUntil (std::function<bool()> condition, int timeoutMs = 10000)
    {
        const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;

        while (! condition())
        {
            if (juce::Time::getMillisecondCounter() > end)
                return false;

            juce::MessageManager::getInstance()->runDispatchLoopUntil (10);
        }

        return true;
    }

    /** A folder below the temporary folder, removed with everything in it at the end of the test. */
    struct TempFolder
    {
        TempFolder()    { folder.createDirectory(); }
        ~TempFolder()   { platform::deletePath (folder); }

        juce::File operator[] (const juce::String& relative) const  { return folder.getChildFile (relative); }

        juce::File folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                                .getChildFile ("installer-tests-" + juce::Uuid().toString());
    };

    /** Stands in for the administrator test, the elevated launch and the end of the process. */
    struct FakeSeam final : platform::Seam
    {
        FakeSeam()  { platform::setSeam (this); }
        ~FakeSeam() override { platform::setSeam (nullptr); }

        bool isRunningAsAdmin() override    { return admin; }

        platform::LaunchResult launchElevated (const juce::String& path, const juce::String& parameters) override
        {
            launchedPath = path;
            launchedParameters = parameters;
            return launchResult;
        }

        void quitApplication() override             { ++quitRequests; }
        void terminateProcess (int code) override   { exitCode = code; }
        void openDocument (const juce::File& document) override { openedDocuments.add (document); }

        bool admin = true;
        platform::LaunchResult launchResult;
        juce::String launchedPath, launchedParameters;
        int quitRequests = 0;
        std::optional<int> exitCode;
        juce::Array<juce::File> openedDocuments;
    };

    /** A framework application without a window, as the engine's owner. */
    struct TestApp final : Quor::CorvoApp
    {
        TestApp()
            : Quor::CorvoApp (2, tree (RuntimeProperties()), tree (AppProperties()), "Installer Tests", "Process Tests",
                              "1.0", 1, { 100, 100 }, new juce::ComponentBoundsConstrainer())
        {
        }

        ~TestApp() override { getStateFile().deleteFile(); }

        /** Marks the run headless, in the given mode, as the application's headless start does. */
        void prepareHeadlessRun (OperationMode mode)
        {
            RuntimeProperties runtime;
            runtime.setTree (getRuntimeTree(), false);
            runtime.setRunningHeadless (true);
            AppProperties modes;
            modes.setTree (getPersistentTree(), false);
            modes.setOperationMode ((int) mode);
        }

        static juce::ValueTree tree (ValueTreeWrapper&& view)
        {
            view.setTree ({}, true);
            return view.getTree();
        }
    };

    /** What a piece of code writes to standard output. */
    inline juce::String captureOutput (std::function<void()> action)
    {
        testing::internal::CaptureStdout();
        action();
        return juce::String (testing::internal::GetCapturedStdout());
    }

    /** Runs an engine procedure headless in the given mode, as the application's headless start
        does, until it ends the process through the seam (or the time-out passes); returns what it
        printed. The seam's exitCode tells whether and how it ended. */
    template <typename Procedure, typename... Args>
    juce::String runHeadless (TestApp& app, OperationMode mode, const FakeSeam& seam, int timeoutMs, Args&&... args)
    {
        app.prepareHeadlessRun (mode);

        return captureOutput ([&]
        {
            Procedure procedure (app, std::forward<Args> (args)...);
            pumpUntil ([&] { return seam.exitCode.has_value(); }, timeoutMs);
        });
    }
}
