#include "Deinstallation.h"
#include "Commands.h"
#include "Identifiers.h"
#include "ObjectRules.h"
#include "PathText.h"
#include "Pauses.h"
#include "Platform.h"
#include "ProtectedFolders.h"
#include "SelfDeletion.h"

namespace CorvoAudio
{
    namespace
    {
        std::vector<ManifestObject> objectsOf (const ManifestProperties& manifest)
        {
            const juce::ScopedLock lock (manifestLock);
            return manifest.getObjects();
        }

        bool isInside (const juce::File& path, const juce::File& folder)
        {
            return path.isAChildOf (folder) || samePath (path, folder);
        }
    }

    Deinstallation::Deinstallation (Quor::CorvoApp& app, EngineSeams seams)
        : InstallerProcess (app, seams),
          objects (objectsOf (manifest)),
          selection (selectedUninstallOptions (manifest.getTree())),
          appName (manifest.getString (Ids::AppName)),
          appUuid (manifest.getString (Ids::AppUuid))
    {
        startWorker();
    }

    Deinstallation::~Deinstallation()
    {
        stopWorker();
    }

    void Deinstallation::run()
    {
        if (objects.empty())
        {
            errors.add ("Uninstallation failed: installer manifest is empty.");
            endInstallerProcess();
            return;
        }

        const juce::File executable (platform::getExecutablePath());
        const auto work = uninstallWorkList (objects, selection);

        log ("Starting deinstallation...");
        log ("Looking for " + appName + " in Registry... " + appUuid);

        if (! isRegistered (appUuid))
        {
            log ("Error: couldn't find app entry for " + appName + " in Windows registry");
            errors.add (appName + " is not installed on this computer; nothing was removed.");
            endInstallerProcess();
            return;
        }

        const auto entry = readUninstallRegistry (appUuid);

        log ("Registry Entry:");
        log ("AppName: " + entry.displayName);
        log ("AppUuid: " + entry.id);
        wait (pauses::afterRegistryLookup);

        if (entry.displayName.isEmpty())
        {
            // Nothing is removed on a guess: without its registration, what was installed where is
            // not known.
            log ("Error: couldn't find app entry for " + appName + " in Windows registry");
            errors.add ("The registration of " + appName + " is missing or damaged (it has no DisplayName); nothing was removed.");
            endInstallerProcess();
            return;
        }

        log ("Uninstalling: " + entry.displayName + " v" + entry.displayVersion);
        log ("Company: " + entry.publisher);
        log ("AppUUID: " + entry.id);

        // Everything this run would remove is looked at before anything is: a plug-in that a host
        // has loaded stops the uninstall with nothing changed.
        juce::Array<juce::File> toRemove, folders;

        for (const auto& object : work)
        {
            const auto plan = planRemoval (entry, object);

            if (plan.action == PlannedRemoval::Action::remove)
                toRemove.add (plan.target);

            if (plan.target != juce::File())
                folders.addIfNotAlreadyThere (plan.target.getParentDirectory());
        }

        const auto uninstaller = registeredUninstallerToRemove (entry, executable);

        if (uninstaller != juce::File())
            toRemove.add (uninstaller);

        juce::Array<juce::File> ownFiles;

        if (isLocalAbsolutePath (entry.installLocation.getFullPathName()))
            for (const auto& file : ownFilesInInstallLocation (entry, objects, appName))
                if (file.existsAsFile() && ! samePath (file, executable))
                    ownFiles.add (file);

        toRemove.addArray (ownFiles);
        folders.add (entry.installLocation);
        WorkFolders::removeLeftovers (appUuid, folders);

        if (stopForFilesInUse (toRemove))
            return;

        // The pre-uninstall actions run while everything is still in place, all before the first
        // removal; one may start a program of the product, so what they leave is checked again.
        auto ranAction = false;

        for (const auto& object : work)
        {
            const auto plan = planRemoval (entry, object);

            if (! object.runPreUninstall || plan.action == PlannedRemoval::Action::refuse)
                continue;

            const auto target = plan.target.getFullPathName();

            if (plan.target.existsAsFile())
            {
                auto commandLine = target.quoted();

                if (object.preUninstallArgs.isNotEmpty())
                    commandLine << " " << object.preUninstallArgs;

                log ("Running pre-uninstall action for " + object.objectName + "...");
                runCommand (commandLine, this, [this] (const juce::String& line) { log (line); });
                ranAction = true;
            }
            else
            {
                log ("Skipping pre-uninstall action for " + object.objectName + ": file not found at " + target);
            }
        }

        if (ranAction && stopForFilesInUse (toRemove))
            return;

        WorkFolders workFolders (appUuid, steps);
        MoveJournal journal (steps);
        juce::Array<juce::File> aside, removedTargets;

        for (const auto& object : work)
        {
            // Taken from the disk as it is now: an action may have removed or replaced what it ran.
            const auto plan = planRemoval (entry, object);

            if (plan.action == PlannedRemoval::Action::refuse)
            {
                log ("Skipping " + object.objectName + ": " + plan.problem);
                continue;
            }

            const auto targetFile = plan.target;
            const auto target = targetFile.getFullPathName();

            switch (plan.action)
            {
                case PlannedRemoval::Action::keepProtected:
                    log ("Keeping protected folder: " + target);
                    break;

                case PlannedRemoval::Action::remove:
                    log ("Deleting " + target);

                    if (! moveAside (targetFile, workFolders, journal, aside))
                        return;

                    break;

                case PlannedRemoval::Action::missing:
                case PlannedRemoval::Action::refuse:
                    log ("Skipping missing uninstall target: " + target);
                    break;
            }

            removedTargets.add (targetFile);
            wait (pauses::perRemovedObject);
        }

        if (uninstaller != juce::File() && uninstaller.existsAsFile())
        {
            log ("Deleting " + uninstaller.getFullPathName());

            if (! moveAside (uninstaller, workFolders, journal, aside))
                return;
        }

        for (const auto& file : ownFiles)
            if (file.existsAsFile() && ! moveAside (file, workFolders, journal, aside))
                return;

        // Everything of the product is out of place: from here on the uninstall goes to its end.
        journal.commit();

        for (const auto& target : removedTargets)
        {
            if (const auto folder = folderToTidyAfter (target); folder.isDirectory() && whyFolderStays (folder, {}).isEmpty())
            {
                log ("Deleting empty directory: " + folder.getFullPathName());
                platform::deletePath (folder);
            }
        }

        if (uninstaller != juce::File())
        {
            const auto folder = uninstaller.getParentDirectory();

            if (folder.isDirectory() && ! isProtectedFolder (folder) && folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories) == 0)
            {
                log ("Deleting empty directory: " + folder.getFullPathName());
                platform::deletePath (folder);
            }
        }

        removeStartMenuLinks (work, entry);
        const auto deleteParentDirectory = removeInstallLocation (entry, executable);

        for (const auto& previous : aside)
            workFolders.dispose (previous);

        workFolders.close();

        const auto foldersAboveUninstaller = removeCreatedFolders (entry, executable);

        log ("Removing Registry entries...");
        wait (pauses::beforeRegistryRemoval);

        if (deleteUninstallRegistry (appUuid))
        {
            log ("Success cleaning registry");
        }
        else
        {
            log ("Error cleaning registry");
            errors.add ("The registry entry " + uninstallKeyPath (appUuid) + " could not be deleted.");
        }

        wait (pauses::afterRegistryRemoval);

        if (workFolders.restartNeeded())
            requireRestart ("Restart Windows to finish removing " + appName + ".");

        // Only the registered uninstaller removes itself: the installer run with --uninstall from
        // wherever the user keeps it is the user's file. A program in a system or shared folder
        // is never the product's own, whatever the registration says.
        if (entry.uninstaller.isNotEmpty() && samePath (juce::File (entry.uninstaller), executable)
            && ! isProtectedFolder (executable.getParentDirectory()))
            startSelfDeletion (deleteParentDirectory, foldersAboveUninstaller, [this] (const juce::String& line) { log (line); });

        endInstallerProcess();
    }

    bool Deinstallation::moveAside (const juce::File& path, WorkFolders& work, MoveJournal& journal, juce::Array<juce::File>& aside)
    {
        juce::File previous;
        auto moved = work.asidePathFor (path, previous);

        if (moved.wasOk())
            moved = journal.move (path, previous);

        if (moved.wasOk())
        {
            aside.add (previous);
            return true;
        }

        // A program took hold of a file since the check: everything goes back where it was, and
        // the registration stays for another try.
        const auto left = journal.undo();
        auto message = "Could not remove " + path.getFullPathName();

        if (const auto inUse = findFilesInUse ({ path }, probe, 0, 0, nullptr); ! inUse.empty())
            message << ": " << inUseLine (inUse.front());
        else
            message << ": " << moved.getErrorMessage();

        log ("Error: " + message);
        errors.add (message + ".");

        // What could not be put back stays where it is, and the user is told where.
        if (! left.isEmpty())
        {
            work.keep();
            errors.add ("Not everything could be put back: " + left.joinIntoString ("\n") + "\nWhat is missing is kept in "
                        + work.getFolders().joinIntoString (", ") + ".");
        }

        work.close();

        log ("Keeping the registry entry: some of " + appName + "'s files could not be removed.");
        errors.add (appName + " stays in the list of installed programs: uninstall it again once these files are free.");
        endInstallerProcess();
        return false;
    }

    void Deinstallation::removeStartMenuLinks (const std::vector<ManifestObject>& removed, const UninstallEntry& entry)
    {
        // The installation links its main application into the company's Start-menu folder; a
        // link to a removed program goes with it.
        for (const auto& object : removed)
        {
            const auto program = object.objectPath.replace ("/", "\\");

            if (! object.isMainApplication || extensionOf (program) != ".exe")
                continue;

            const auto link = startMenuLinkFor (program, entry.publisher);
            const auto folder = link.getParentDirectory();

            if (! link.existsAsFile())
                continue;

            log ("Deleting " + link.getFullPathName());
            platform::deletePath (link);

            // Without a company name the link lies in the Programs folder itself, which stays.
            if (entry.publisher.isNotEmpty() && folder.isDirectory() && folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories) == 0)
            {
                log ("Deleting empty directory: " + folder.getFullPathName());
                platform::deletePath (folder);
            }
        }
    }

    juce::File Deinstallation::registeredUninstallerToRemove (const UninstallEntry& entry, const juce::File& executable)
    {
        // The registered uninstaller removes itself once it has exited. Run from anywhere else (the
        // installer with --uninstall), this run removes it, as it removes everything installed.
        if (entry.uninstaller.isEmpty())
            return {};

        const juce::File uninstaller (entry.uninstaller);

        if (! uninstaller.existsAsFile() || samePath (uninstaller, executable)
            || samePath (uninstaller.getParentDirectory(), entry.installLocation))
            return {};

        // The registration may name any file; only one this product put where it puts its
        // uninstaller is deleted.
        if (! isOwnUninstaller (entry, objects, appName, uninstaller))
        {
            log ("Keeping " + uninstaller.getFullPathName() + ": it is not where this product installs its uninstaller");
            return {};
        }

        return uninstaller;
    }

    bool Deinstallation::removeInstallLocation (const UninstallEntry& entry, const juce::File& executable)
    {
        const auto location = entry.installLocation;
        log ("Deleting directory: " + location.getFullPathName());

        // Only a local folder the registration names is ever emptied, never a share's.
        if (! isLocalAbsolutePath (location.getFullPathName()) || ! location.exists())
            return false;

        // The install location of a plug-in is often the shared plug-in folder itself: it goes only
        // when nothing but this product's own files was in it, and those are gone by now.
        if (const auto whyItStays = whyFolderStays (location, { executable }); whyItStays.isNotEmpty())
        {
            log ("Keeping directory: " + location.getFullPathName() + " (" + whyItStays + ")");
            return false;
        }

        // The running uninstaller cannot go yet: the self-deletion script takes it and the folder.
        platform::deletePath (location);
        return location.exists() && samePath (location, executable.getParentDirectory());
    }

    juce::Array<juce::File> Deinstallation::removeCreatedFolders (const UninstallEntry& entry, const juce::File& executable)
    {
        juce::StringArray paths (entry.createdFolders);
        paths.sort (true);
        juce::Array<juce::File> aroundUninstaller;

        for (int i = paths.size(); --i >= 0;)
        {
            if (! isLocalAbsolutePath (paths[i]))
                continue;

            const juce::File folder (paths[i]);

            if (isProtectedFolder (folder) || ! folder.isDirectory())
                continue;

            if (isInside (executable, folder))
            {
                aroundUninstaller.add (folder);
                continue;
            }

            if (folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories) == 0)
            {
                log ("Deleting empty directory: " + folder.getFullPathName());
                platform::deletePath (folder);
            }
        }

        return aroundUninstaller;
    }
}
