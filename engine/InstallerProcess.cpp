#include "InstallerProcess.h"
#include "CorvoApp.h"
#include "Platform.h"

namespace CorvoAudio
{
    InstallerProcess::InstallerProcess (Quor::CorvoApp& app)
        : juce::Thread ("InstallerWorker"), owner (app)
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

    std::vector<ManifestObject> InstallerProcess::waitForManifestObjects()
    {
        auto objects = manifest.getObjects();

        for (int attempt = 0; objects.empty() && attempt < 200; ++attempt)
        {
            wait (50);
            objects = manifest.getObjects();
        }

        return objects;
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
                weakThis->runtimeProperties.setInstallationErrors (weakThis->errors);
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
            wait (failed ? 1500 : 500);
            platform::seam().terminateProcess (failed ? 9 : 0);
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

        juce::Timer::callAfterDelay (1500, [weakThis]
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
