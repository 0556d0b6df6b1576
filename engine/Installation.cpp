#include "Installation.h"
#include "Commands.h"
#include "EmbeddedResources.h"
#include "ObjectRules.h"
#include "PathText.h"
#include "Pauses.h"
#include "Platform.h"
#include "ProtectedFolders.h"
#include "StagedObject.h"
#include "UninstallRegistry.h"
#include "UninstallScript.h"

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

        /** The folders the registration lists as made by installations: those of earlier ones
            that are still there, and those this one made. Shared and system folders never. */
        juce::StringArray createdFoldersToRecord (const juce::StringArray& earlier, const juce::Array<juce::File>& now)
        {
            juce::StringArray folders;

            for (const auto& path : earlier)
                if (isLocalAbsolutePath (path) && juce::File (path).isDirectory() && ! isProtectedFolder (juce::File (path)))
                    folders.addIfNotAlreadyThere (juce::File (path).getFullPathName());

            for (const auto& folder : now)
                if (! isProtectedFolder (folder))
                    folders.addIfNotAlreadyThere (folder.getFullPathName());

            return folders;
        }
    }

    Installation::Installation (Quor::CorvoApp& app, EngineSeams seams)
        : InstallerProcess (app, seams), plan (makeInstallPlan (manifest))
    {
        startWorker();
    }

    Installation::~Installation()
    {
        stopWorker();
    }

    juce::Result Installation::stage (const CheckedZipArchive& archive, int entryIndex, const PlannedObject& planned,
                                      WorkFolders& work, juce::File& staged)
    {
        juce::File folder;

        if (const auto created = work.newFolderFor (planned.installed, folder); created.failed())
            return created;

        bool innerFailed = false;

        if (const auto outcome = stageObject (archive, entryIndex, installedNameOf (planned.object), folder, staged, innerFailed);
            outcome.failed())
        {
            // The user knows the files by where they were going, not by the private folder.
            const auto result = juce::Result::fail (outcome.getErrorMessage().replace (folder.getFullPathName(),
                                                                                        planned.destination.getFullPathName()));
            if (innerFailed)
                log ("Error unzipping " + planned.destination.getChildFile (archive.getEntryName (entryIndex)).getFullPathName()
                     + ".\nSystem message: " + result.getErrorMessage());

            return result;
        }

        if (staged.isDirectory())
            platform::addFileAttributes (staged, false, true);

        return juce::Result::ok();
    }

    bool Installation::putInPlace (const std::vector<Staged>& staged, WorkFolders& work, juce::Array<juce::File>& createdFolders)
    {
        MoveJournal journal (steps);
        juce::Array<juce::File> aside;

        const auto fail = [&] (const PlannedObject& planned, const juce::Result& result)
        {
            const auto left = journal.undo();
            createdFolders.clear();

            // A program may have taken hold of the old version since the check: it is named.
            auto message = result.getErrorMessage();

            if (const auto inUse = findFilesInUse ({ planned.installed }, probe, 0, 0, nullptr); ! inUse.empty())
            {
                juce::StringArray lines;

                for (const auto& file : inUse)
                    lines.add (inUseLine (file));

                lines.add (closeProgramsLine);
                message = lines.joinIntoString ("\n");
            }

            // What could not be put back stays where it is, and the user is told where.
            if (! left.isEmpty())
            {
                work.keep();
                message << "\nNot everything could be put back: " << left.joinIntoString ("\n")
                        << "\nWhat is missing is kept in " << work.getFolders().joinIntoString (", ");
            }

            log ("   >> error : " + message);
            errors.add ("Error installing " + planned.target + ".\n" + message);
            return false;
        };

        for (const auto& item : staged)
        {
            const auto& planned = *item.planned;

            if (const auto created = journal.createFolders (planned.installed.getParentDirectory(), createdFolders); created.failed())
                return fail (planned, created);

            if (planned.installed.exists() || platform::getFileAttributes (planned.installed).exists)
            {
                juce::File previous;

                if (const auto named = work.asidePathFor (planned.installed, previous); named.failed())
                    return fail (planned, named);

                if (const auto moved = journal.move (planned.installed, previous); moved.failed())
                    return fail (planned, moved);

                aside.add (previous);
            }

            if (const auto placed = journal.move (item.staged, planned.installed); placed.failed())
                return fail (planned, placed);
        }

        journal.commit();

        // Made in a folder that only administrators may change: in place, each takes the rights
        // of its folder.
        for (const auto& item : staged)
        {
            if (! steps.takeRightsOfFolder (item.planned->installed))
            {
                const auto message = "The access rights of " + item.planned->installed.getFullPathName()
                                   + " could not be set to those of its folder.";
                log ("   >> error : " + message);
                errors.add ("Error installing " + item.planned->target + ".\n" + message);
            }
        }

        for (const auto& previous : aside)
            work.dispose (previous);

        return true;
    }

    void Installation::run()
    {
        const auto& objects = plan.objects;

        if (objects.empty())
        {
            // The wizard and the command line never get here with nothing chosen; a run that does
            // says so at once.
            errors.add ("Installation failed: no component was chosen, so there is nothing to install.");
            endInstallerProcess();
            return;
        }

        log ("Installing " + plan.appName + " v" + plan.appVersion);

        // A stop asked for by the user ends the run between two steps; it says what stays undone.
        const auto stoppedBefore = [this, &objects] (size_t first)
        {
            if (! threadShouldExit())
                return false;

            juce::StringArray left;

            for (auto i = first; i < objects.size(); ++i)
                left.add (objects[i].object.objectName);

            log ("Stopped by the user." + (left.isEmpty() ? juce::String() : " Not installed: " + left.joinIntoString (", ") + "."));
            return true;
        };

        wait (pauses::beforePayload);

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

        WorkFolders::removeLeftovers (plan.appUuid, plan.destinations());

        // Nothing is replaced while a program uses it: a plug-in that a host has loaded is found
        // here, before anything changes.
        if (stopForFilesInUse (plan.replacedPaths()))
            return;

        // Read in place from the executable's data, never copied whole.
        const CheckedZipArchive archive ([&table] { return openPayload (table); });

        WorkFolders work (plan.appUuid, steps);
        std::vector<Staged> staged;
        auto everyObjectInstalled = true;

        for (size_t index = 0; index < objects.size(); ++index)
        {
            const auto& planned = objects[index];
            const auto& object = planned.object;

            if (stoppedBefore (index))
                return;

            juce::Thread::sleep (pauses::perObject);

            if (planned.problem.isNotEmpty())
            {
                log ("Installing " + object.objectPath + "...");
                log ("   >> error : Refusing " + object.objectName + ": " + planned.problem + ".");
                errors.add ("Error installing " + object.objectName + ".\nThe installer refuses it: " + planned.problem + ".");
                everyObjectInstalled = false;
                continue;
            }

            const auto entryIndex = archive.indexOfEntry (planned.entryName);

            if (stoppedBefore (index))
                return;

            if (entryIndex < 0)
            {
                // Skipping it silently would let a broken installer report success having
                // installed nothing.
                const auto message = "The installer payload has no entry " + object.objectPath + ".";
                log ("Installing " + object.objectPath + "...");
                log ("   >> error : " + message);
                errors.add ("Error installing " + planned.target + ".\n" + message);
                everyObjectInstalled = false;
                continue;
            }

            log ("Installing " + labelOf (planned.entryName) + "...");

            juce::File stagedPath;
            const auto result = stage (archive, entryIndex, planned, work, stagedPath);

            if (result.wasOk())
                staged.push_back ({ &planned, stagedPath });

            log ("   >> " + (result.wasOk() ? juce::String ("Success!") : "error : " + result.getErrorMessage()));

            if (result.failed())
            {
                errors.add ("Error installing " + planned.target + ".\nMake sure the file is not in use and run the installer again.\nSystem message: "
                            + result.getErrorMessage());
                everyObjectInstalled = false;
            }
        }

        if (stoppedBefore (objects.size()))
            return;

        // Everything unpacked goes into place together, the previous versions out of the
        // plug-in folders: a host sees the old product or the new one, never a mixture.
        juce::Array<juce::File> createdFolders;

        if (! staged.empty() && ! putInPlace (staged, work, createdFolders))
        {
            staged.clear();
            everyObjectInstalled = false;
        }

        juce::StringArray extraPaths;
        juce::String uninstallerPath;

        for (const auto& item : staged)
        {
            const auto& planned = *item.planned;
            const auto& object = planned.object;

            if (! samePath (planned.destination, plan.mainFolder))
                extraPaths.add (planned.installed.getFullPathName());

            if (object.isUninstaller)
                uninstallerPath = planned.installed.getFullPathName();

            if (object.runPostInstall)
            {
                log ("Running " + object.objectName + "...");
                wait (pauses::aroundPostInstall);
                const auto arguments = object.postInstallArgs.isNotEmpty() ? " " + object.postInstallArgs : juce::String (" /Silent");
                runCommand (planned.installed.getFullPathName().quoted() + arguments, this, [this] (const juce::String& line) { log (line); });
                wait (pauses::aroundPostInstall);
            }

            if (object.createUninstallBatScript)
                uninstallerPath = planned.destination.getChildFile ("Uninstall " + plan.appName + ".bat").getFullPathName();
        }

        // The registration names the version installed: with an object missing it would claim a
        // version that is not on the disk, and the previous registration stays instead.
        if (! everyObjectInstalled)
            uninstallerPath = {};

        const auto madeFolders = createdFoldersToRecord (readCreatedFolders (plan.appUuid), createdFolders);

        if (extensionOf (uninstallerPath) == ".bat")
        {
            juce::StringArray paths (plan.mainApplicationPath);
            paths.addArray (extraPaths);

            if (const auto written = writeUninstallScriptFile (juce::File (uninstallerPath), plan.appName, plan.appUuid, paths,
                                                               uninstallKeyPath (plan.appUuid), madeFolders);
                written.failed())
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
            entry.displayName = plan.appName;
            entry.displayVersion = plan.appVersion;
            entry.id = plan.appUuid;
            entry.publisher = plan.companyName;
            entry.installLocation = plan.mainFolder;
            entry.extraPaths = extraPaths;
            entry.createdFolders = madeFolders;
            entry.uninstaller = uninstallerPath;
            entry.uninstallArguments = "--uninstall";   // the installer itself, started for removal
            entry.webLink = plan.webLink;
            entry.offersModify = modifyModeSwitch;

            juce::Array<juce::File> installed { juce::File (uninstallerPath) };

            for (const auto& item : staged)
                installed.add (item.planned->installed);

            entry.estimatedSizeKB = estimatedSizeKB (installed);
            entry.iconData = icon.getData();
            entry.iconSize = (int) icon.getSize();

            wait (pauses::beforeRegistry);

            writeUninstallRegistry (entry, [this] (const juce::String& message)
            {
                log ("Error creating registry entry...");
                errors.add ("Error creating registry entry... Please contact support.");
                log (message);
                wait (pauses::afterRegistryError);
            });
        }

        const auto& mainApplicationPath = plan.mainApplicationPath;

        if (mainApplicationPath.isNotEmpty() && juce::File (mainApplicationPath).existsAsFile()
            && extensionOf (mainApplicationPath) == ".exe")
        {
            log ("Adding " + mainApplicationPath.fromLastOccurrenceOf ("\\", false, false) + " to Start Menu...");
            const auto added = addStartMenuLink (juce::File (mainApplicationPath), plan.companyName,
                                                 [this] (const juce::String& line) { log (line); });
            wait (pauses::afterStartMenuLink);
            log ("   >> " + juce::String (added ? "Success!" : "error"));
            wait (pauses::afterStartMenuResult);
        }

        work.close();

        if (work.restartNeeded())
            requireRestart ("Restart Windows to finish removing the previous version.");

        wait (pauses::endOfInstall);
        endInstallerProcess();
    }
}
