#include "InstallerProcess.h"
#include "CorvoApp.h"
#include "PathText.h"
#include "Pauses.h"
#include "Platform.h"

namespace CorvoAudio
{
    InstallerProcess::InstallerProcess (Quor::CorvoApp& app, EngineSeams seams)
        : juce::Thread ("InstallerWorker"),
          owner (app),
          probe (seams.probe != nullptr ? *seams.probe : realProbe),
          steps (seams.steps != nullptr ? *seams.steps : realSteps)
    {
        runtimeProperties.setTree (owner.getRuntimeTree(), false);
        appProperties.setTree (owner.getPersistentTree(), false);
        manifest.setTree (owner.getPersistentTree(), true);
    }

    InstallerProcess::~InstallerProcess()
    {
        stopWorker();
        masterReference.clear();
    }

    void InstallerProcess::startWorker()
    {
        startThread();
    }

    void InstallerProcess::stopWorker()
    {
        signalThreadShouldExit();
        stopThread (2000);
    }

    bool InstallerProcess::stopForFilesInUse (const juce::Array<juce::File>& paths)
    {
        const juce::File self (platform::getExecutablePath());
        const auto inUse = findFilesInUse (paths, probe, pauses::inUseRetryFor, pauses::inUseRetryStep, this, self);

        if (threadShouldExit())
            return true;

        if (inUse.empty())
            return false;

        for (const auto& file : inUse)
        {
            log (inUseLine (file));
            errors.add (inUseLine (file));
        }

        log (closeProgramsLine);
        errors.add (closeProgramsLine);

        // Nothing has changed: the wizard asks the user to close the programs and try again.
        juce::WeakReference<InstallerProcess> weakThis (this);

        juce::MessageManager::callAsync ([weakThis, inUse]
        {
            if (weakThis == nullptr)
                return;

            if (weakThis->onFilesInUse != nullptr && ! weakThis->runtimeProperties.isRunningHeadless())
                weakThis->onFilesInUse (inUse);
            else
                weakThis->endInstallerProcess();
        });

        return true;
    }

    void InstallerProcess::requireRestart (const juce::String& notice)
    {
        if (restartNotice.isEmpty())
            log (notice);

        restartNotice = notice;
    }

    void InstallerProcess::log (const juce::String& line)
    {
        juce::WeakReference<InstallerProcess> weakThis (this);

        juce::MessageManager::callAsync ([weakThis, line]
        {
            if (weakThis != nullptr)
                weakThis->deliver (line);
        });
    }

    void InstallerProcess::deliver (const juce::String& line)
    {
        runtimeProperties.setLastLogMessage ({});
        runtimeProperties.setLastLogMessage (line);
        platform::writeLine (line);
    }

    void InstallerProcess::writeErrorsToRuntimeProperties()
    {
        juce::WeakReference<InstallerProcess> weakThis (this);

        juce::MessageManager::callAsync ([weakThis]
        {
            if (weakThis != nullptr)
            {
                weakThis->runtimeProperties.setInstallationErrors (weakThis->errors);
                weakThis->runtimeProperties.setRestartNotice (weakThis->restartNotice);
            }
        });
    }

    void InstallerProcess::endInstallerProcess()
    {
        writeErrorsToRuntimeProperties();

        juce::WeakReference<InstallerProcess> weakThis (this);

        juce::MessageManager::callAsync ([weakThis]
        {
            if (weakThis != nullptr)
                weakThis->reportEnd();
        });
    }

    void InstallerProcess::reportEnd()
    {
        // The trees belong to the message thread: the mode is read here, not on the worker.
        const juce::String name = appProperties.getOperationMode() == (int) OperationMode::uninstall ? "Deinstallation"
                                                                                                        : "Installation";
        const auto failed = ! errors.isEmpty();

        if (runtimeProperties.isRunningHeadless())
        {
            // Delivered at once rather than posted: the process ends before a posted line would get
            // its turn. Everything the worker posted earlier has already been delivered.
            if (failed)
            {
                deliver (name + " finished with errors.");
                deliver (errors.joinIntoString ("\n"));
            }
            else
            {
                deliver (name + " finished successfully.");
            }

            deliver ("Exiting...");
            wait (failed ? pauses::headlessExitAfterErrors : pauses::headlessExitAfterSuccess);
            platform::seam().terminateProcess (failed ? 9 : restartNotice.isNotEmpty() ? restartExitCode : 0);
            return;
        }

        // The last lines stay on the progress page for a moment before the result replaces it;
        // the window goes on painting meanwhile (the spinner turns).
        if (failed)
        {
            deliver (name + " finished with errors.");
            deliver (errors.joinIntoString ("\n"));
        }
        else
        {
            deliver (name + " finished successfully.");
        }

        juce::WeakReference<InstallerProcess> weakThis (this);

        juce::Timer::callAfterDelay (pauses::beforeResultPage, [weakThis]
        {
            if (weakThis == nullptr)
                return;

            weakThis->appProperties.setNextPageToShow (AppProperties::result);
            weakThis->runtimeProperties.changePage();
        });
    }

    void resolvePathPlaceholders (juce::String& path)
    {
        const auto replace = [&path] (const char* placeholder, platform::Folder folder)
        {
            if (! path.contains (placeholder))
                return;

            const auto location = platform::getFolder (folder);
            const auto replacement = location == juce::File() ? juce::String() : location.getFullPathName().replaceCharacter ('\\', '/');
            path = path.replace (placeholder, replacement);
        };

        replace ("C:/__userAppDataDir__", platform::Folder::userAppData);
        replace ("C:/__commonAppDataDir__", platform::Folder::commonAppData);
    }
}
