#include "Installation.h"
#include "Commands.h"
#include "EmbeddedResources.h"
#include "Identifiers.h"
#include "ObjectRules.h"
#include "PathText.h"
#include "Platform.h"
#include "StagedObject.h"
#include "UninstallRegistry.h"
#include "UninstallScript.h"
#include "ZipExtraction.h"

namespace CorvoAudio
{
    namespace
    {
        juce::String labelOf (const juce::String& entryName)
        {
            if (entryName.endsWithIgnoreCase (".zip") && entryName.contains (".zip"))
                return entryName.upToLastOccurrenceOf (".zip", false, false);

            return entryName;
        }
    }

    Installation::Installation (Quor::CorvoApp& app)
        : InstallerProcess (app)
    {
        startWorker();
    }

    Installation::~Installation()
    {
        stopWorker();
    }

    juce::Result Installation::writeUninstallScript (const juce::File& script, const juce::StringArray& paths, const juce::String& key)
    {
        return writeUninstallScriptFile (script, manifest.getAppName(), manifest.getString (Ids::AppUuid), paths, key);
    }

    juce::Result Installation::installObject (const CheckedZipArchive& archive, int entryIndex, const ManifestObject& object,
                                              const juce::File& targetFolder, const juce::String& productId)
    {
        const auto installed = installedPathOf (object);

        if (const auto created = targetFolder.createDirectory(); created.failed())
            return juce::Result::fail ("Failed to create folder " + targetFolder.getFullPathName() + ": " + created.getErrorMessage());

        // Unpacked beside its destination first, and swapped in whole: the installed version stays
        // as it was until the new one is complete, and is put back if the swap fails.
        StagingFolder::removeLeftovers (targetFolder, productId);
        StagingFolder staging (targetFolder, productId);

        if (const auto created = staging.create(); created.failed())
            return created;

        juce::File staged;
        bool innerFailed = false;

        if (const auto outcome = stageObject (archive, entryIndex, installedNameOf (object), staging.getFolder(), staged, innerFailed);
            outcome.failed())
        {
            // The user knows the files by where they were going, not by the private folder.
            const auto result = juce::Result::fail (outcome.getErrorMessage().replace (staging.getFolder().getFullPathName(),
                                                                                        targetFolder.getFullPathName()));
            if (innerFailed)
                log ("Error unzipping " + targetFolder.getChildFile (archive.getEntryName (entryIndex)).getFullPathName()
                     + ".\nSystem message: " + result.getErrorMessage());

            return result;
        }

        SwapSteps steps;

        if (const auto result = swapIntoPlace (staged, installed, staging.getFolder(), steps); result.failed())
            return result;

        if (installed.isDirectory())
            platform::addFileAttributes (installed, false, true);

        return juce::Result::ok();
    }

    void Installation::run()
    {
        const auto objects = waitForManifestObjects();

        if (objects.empty())
        {
            errors.add ("Installation failed: installer manifest is empty.");
            endInstallerProcess();
            return;
        }

        const auto appName = manifest.getAppName();
        const auto appVersion = manifest.getAppVersion();

        log ("Installing " + appName + " v" + appVersion);

        // A stop asked for by the user ends the run between two steps; it says what stays undone.
        const auto stoppedBefore = [this, &objects] (size_t first)
        {
            if (! threadShouldExit())
                return false;

            juce::StringArray left;

            for (auto i = first; i < objects.size(); ++i)
                left.add (objects[i].objectName);

            log ("Stopped by the user." + (left.isEmpty() ? juce::String() : " Not installed: " + left.joinIntoString (", ") + "."));
            return true;
        };

        wait (1000);

        if (stoppedBefore (0))
            return;

        // A payload with a piece missing still opens as an archive, with the entries of the lost
        // piece damaged or gone: it is refused whole, before anything is installed from it.
        const auto table = resources::embeddedTable();

        if (const auto problem = payloadPiecesProblem (table); problem.isNotEmpty())
        {
            log ("   >> error : The installer's payload is incomplete: " + problem + ".");
            errors.add ("This installer is damaged: its payload " + problem + ". Download the installer again.");
            endInstallerProcess();
            return;
        }

        // Read in place from the executable's data, never copied whole.
        const auto payloadStream = openPayload (table);
        const CheckedZipArchive archive (*payloadStream);

        // The main folder: where the main application goes, the install location of the registration.
        juce::File mainFolder;
        juce::String mainApplicationPath;

        for (const auto& object : objects)
        {
            if (stoppedBefore (0))
                return;

            if (object.isMainApplication && objectProblem (object).isEmpty())
            {
                mainFolder = destinationOf (object);
                mainApplicationPath = installedPathOf (object).getFullPathName();
            }
        }

        if (mainFolder == juce::File())
            for (const auto& object : objects)
                if (objectProblem (object).isEmpty())
                    if ((mainFolder = destinationOf (object)) != juce::File())
                        break;

        if (mainFolder != juce::File() && ! mainFolder.exists())
            mainFolder.createDirectory();

        const auto appUuid = manifest.getString (Ids::AppUuid);
        juce::StringArray extraPaths;
        juce::String uninstallerPath;
        auto everyObjectInstalled = true;

        for (size_t index = 0; index < objects.size(); ++index)
        {
            const auto& object = objects[index];

            if (stoppedBefore (index))
                return;

            juce::Thread::sleep (300);

            const auto entryName = object.objectPath.replace ("/", "\\");
            const auto problem = objectProblem (object);

            if (problem.isNotEmpty())
            {
                log ("Installing " + object.objectPath + "...");
                log ("   >> error : Refusing " + object.objectName + ": " + problem + ".");
                errors.add ("Error installing " + object.objectName + ".\nThe installer refuses it: " + problem + ".");
                everyObjectInstalled = false;
                continue;
            }

            const auto entryIndex = archive.indexOfEntry (entryName);

            if (stoppedBefore (index))
                return;

            const auto targetFolder = destinationOf (object);
            auto target = object.defaultInstallPath;   // the error texts name it as the manifest writes it
            resolvePathPlaceholders (target);
            const auto installed = installedPathOf (object);

            if (entryIndex < 0)
            {
                // Skipping it silently would let a broken installer report success having
                // installed nothing.
                const auto message = "The installer payload has no entry " + object.objectPath + ".";
                log ("Installing " + object.objectPath + "...");
                log ("   >> error : " + message);
                errors.add ("Error installing " + target + ".\n" + message);
                everyObjectInstalled = false;
                continue;
            }

            log ("Installing " + labelOf (entryName) + "...");

            const auto result = installObject (archive, entryIndex, object, targetFolder, appUuid);

            if (result.wasOk() && ! targetFolder.getFullPathName().equalsIgnoreCase (mainFolder.getFullPathName()))
                extraPaths.add (installed.getFullPathName());

            if (result.wasOk() && object.isUninstaller)
                uninstallerPath = installed.getFullPathName();

            if (stoppedBefore (index + 1))
                return;

            if (object.runPostInstall && result.wasOk())
            {
                log ("Running " + object.objectName + "...");
                wait (500);
                const auto arguments = object.postInstallArgs.isNotEmpty() ? " " + object.postInstallArgs : juce::String (" /Silent");
                runCommand (installed.getFullPathName().quoted() + arguments, this, [this] (const juce::String& line) { log (line); });
                wait (500);
            }

            if (object.createUninstallBatScript)
                uninstallerPath = targetFolder.getChildFile ("Uninstall " + appName + ".bat").getFullPathName();

            log ("   >> " + (result.wasOk() ? juce::String ("Success!") : "error : " + result.getErrorMessage()));

            if (result.failed())
            {
                errors.add ("Error installing " + target + ".\nMake sure the file is not in use and run the installer again.\nSystem message: "
                            + result.getErrorMessage());
                everyObjectInstalled = false;
            }
        }

        // The registration names the version installed: with an object missing it would claim a
        // version that is not on the disk, and the previous registration stays instead.
        if (! everyObjectInstalled)
            uninstallerPath = {};

        if (extensionOf (uninstallerPath) == ".bat")
        {
            juce::StringArray paths (mainApplicationPath);
            paths.addArray (extraPaths);

            if (const auto written = writeUninstallScript (juce::File (uninstallerPath), paths, uninstallKeyPath (appUuid)); written.failed())
            {
                log ("   >> error : " + written.getErrorMessage());
                errors.add ("Error writing the uninstaller.\n" + written.getErrorMessage());
                uninstallerPath = {};
            }
        }

        if (uninstallerPath.isNotEmpty() && juce::File (uninstallerPath).existsAsFile())
        {
            log ("Creating registry entries...");

            const auto icon = resources::registryIcon();

            UninstallEntry entry;
            entry.displayName = appName;
            entry.displayVersion = appVersion;
            entry.id = appUuid;
            entry.publisher = manifest.getCompanyName();
            entry.installLocation = mainFolder;
            entry.extraPaths = extraPaths;
            entry.uninstaller = uninstallerPath;
            entry.uninstallArguments = "--uninstall";   // the installer itself, started for removal
            entry.webLink = manifest.getString (Ids::WebLink);
            entry.iconData = icon.getData();
            entry.iconSize = (int) icon.getSize();

            wait (500);

            writeUninstallRegistry (entry, [this] (const juce::String& message)
            {
                log ("Error creating registry entry...");
                errors.add ("Error creating registry entry... Please contact support.");
                log (message);
                wait (2500);
            });
        }

        if (mainApplicationPath.isNotEmpty() && juce::File (mainApplicationPath).existsAsFile()
            && extensionOf (mainApplicationPath) == ".exe")
        {
            log ("Adding " + mainApplicationPath.fromLastOccurrenceOf ("\\", false, false) + " to Start Menu...");
            const auto added = addStartMenuLink (juce::File (mainApplicationPath), manifest.getCompanyName(),
                                                 [this] (const juce::String& line) { log (line); });
            wait (500);
            log ("   >> " + juce::String (added ? "Success!" : "error"));
            wait (1000);
        }

        wait (500);
        endInstallerProcess();
    }
}
