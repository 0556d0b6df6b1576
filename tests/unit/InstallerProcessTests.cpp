#include "CorvoApp.h"
#include "Identifiers.h"
#include "InstallerProcess.h"
#include "Platform.h"
#include "TestHelpers.h"

#include <gtest/gtest.h>

using testing_support::pumpUntil;

namespace
{
    /** A procedure that logs, records the given errors and ends. */
    struct ScriptedProcess final : CorvoAudio::InstallerProcess
    {
        ScriptedProcess (Quor::CorvoApp& app, juce::StringArray errorsToReport)
            : InstallerProcess (app, {}), toReport (errorsToReport)
        {
            startWorker();
        }

        ~ScriptedProcess() override { stopWorker(); }

        void run() override
        {
            log ("same");
            log ("same");
            errors.addArray (toReport);
            endInstallerProcess();
        }

        juce::StringArray toReport;
    };
}

TEST (InstallerProcess, WizardRunEndsOnTheResultPage)
{
    testing_support::TestApp app;
    RuntimeProperties runtime;
    runtime.setTree (app.getRuntimeTree(), false);
    runtime.startListening();
    AppProperties pages;
    pages.setTree (app.getPersistentTree(), false);

    juce::StringArray lines;
    int pageRequests = 0, linesAtSwitch = 0;
    runtime.onLastLogMessageChanged = [&] (juce::String line) { lines.add (line); };
    runtime.onChangePage = [&] { ++pageRequests; linesAtSwitch = lines.size(); };

    testing::internal::CaptureStdout();
    ScriptedProcess process (app, { "A", "B" });
    const auto switched = pumpUntil ([&] { return pages.getNextPageToShow() == AppProperties::result && lines.size() >= 8; });
    const auto output = juce::String (testing::internal::GetCapturedStdout());

    ASSERT_TRUE (switched);
    EXPECT_EQ (pageRequests, 1);
    EXPECT_EQ (linesAtSwitch, 8) << "the last lines are on the progress page before the result replaces it";
    EXPECT_EQ (runtime.getInstallationErrors(), "A;B");
    EXPECT_EQ (lines, juce::StringArray ({ "", "same", "", "same", "", "Installation finished with errors.", "", "A\nB" }));
    EXPECT_EQ (output, "same\nsame\nInstallation finished with errors.\nA\nB\n");
}

TEST (InstallerProcess, HeadlessRunEndsWithItsExitCode)
{
    for (const auto& [errors, expectedCode, lastLines] :
         { std::tuple { juce::StringArray(), 0, juce::String ("Deinstallation finished successfully.\nExiting...\n") },
           std::tuple { juce::StringArray ("broken"), 9, juce::String ("Deinstallation finished with errors.\nbroken\nExiting...\n") } })
    {
        testing_support::FakeSeam seam;
        testing_support::TestApp app;
        AppProperties modes;
        modes.setTree (app.getPersistentTree(), false);

        const auto output = testing_support::runHeadless<ScriptedProcess> (app, OperationMode::uninstall, seam, 10000, errors);

        ASSERT_TRUE (seam.exitCode.has_value());
        EXPECT_EQ (*seam.exitCode, expectedCode);
        EXPECT_TRUE (output.endsWith (lastLines)) << output;
        EXPECT_EQ (modes.getNextPageToShow(), AppProperties::welcome);
    }
}

TEST (InstallerProcess, PathPlaceholders)
{
    const auto userData = platform::getFolder (platform::Folder::userAppData).getFullPathName().replaceCharacter ('\\', '/');
    const auto commonData = platform::getFolder (platform::Folder::commonAppData).getFullPathName().replaceCharacter ('\\', '/');
    ASSERT_TRUE (userData.isNotEmpty());

    struct Case { juce::String path, expected; };

    for (const auto& c : { Case { "C:/__userAppDataDir__/Vendor/x.dat", userData + "/Vendor/x.dat" },
                           Case { "C:/__commonAppDataDir__/Vendor", commonData + "/Vendor" },
                           Case { "C:/__USERAPPDATADIR__/Vendor", "C:/__USERAPPDATADIR__/Vendor" },
                           Case { "C:/Program Files/Common Files/VST3", "C:/Program Files/Common Files/VST3" } })
    {
        auto path = c.path;
        CorvoAudio::resolvePathPlaceholders (path);
        EXPECT_EQ (path, c.expected);
    }
}
