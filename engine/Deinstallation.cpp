#include "Deinstallation.h"
#include "Commands.h"
#include "Identifiers.h"
#include "ObjectRules.h"
#include "PathText.h"
#include "Platform.h"
#include "ProtectedFolders.h"
#include "SelfDeletion.h"
#include "UninstallPlan.h"

namespace CorvoAudio
{
    Deinstallation::Deinstallation (Quor::CorvoApp& app)
        : InstallerProcess (app)
    {
        startWorker();
    }

    Deinstallation::~Deinstallation()
    {
        stopWorker();
    }

    void Deinstallation::run()
    {
        const auto objects = waitForManifestObjects();

        if (objects.empty())
        {
            errors.add ("Uninstallation failed: installer manifest is empty.");
            endInstallerProcess();
            return;
        }

        std::optional<juce::String> selection;
        const juce::File executable (platform::getExecutablePath());

        {
            const juce::ScopedLock lock (manifestLock);

            if (manifest.getTree().hasProperty (Ids::SelectedUninstallOptions))
                selection = manifest.getString (Ids::SelectedUninstallOptions);
        }

        const auto work = uninstallWorkList (objects, selection);
        const auto appName = manifest.getString (Ids::AppName);
        const auto appUuid = manifest.getString (Ids::AppUuid);

        log ("Starting deinstallation...");
        log ("Looking for " + appName + " in Registry... " + appUuid);

        const auto entry = readUninstallRegistry (appUuid);

        log ("Registry Entry:");
        log ("AppName: " + entry.displayName);
        log ("AppUuid: " + entry.id);
        wait (1500);

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

        for (const auto& object : work)
        {
            auto plan = planRemoval (entry, object);

            if (plan.action == PlannedRemoval::Action::refuse)
            {
                log ("Skipping " + object.objectName + ": " + plan.problem);
                continue;
            }

            const auto targetFile = plan.target;
            const auto target = targetFile.getFullPathName();

            if (object.runPreUninstall)
            {
                if (targetFile.existsAsFile())
                {
                    auto commandLine = target.quoted();

                    if (object.preUninstallArgs.isNotEmpty())
                        commandLine << " " << object.preUninstallArgs;

                    log ("Running pre-uninstall action for " + object.objectName + "...");
                    runCommand (commandLine, this, [this] (const juce::String& line) { log (line); });
                }
                else
                {
                    log ("Skipping pre-uninstall action for " + object.objectName + ": file not found at " + target);
                }
            }

            // The action may have removed or replaced what it ran.
            if (object.runPreUninstall)
                plan = planRemoval (entry, object);

            switch (plan.action)
            {
                case PlannedRemoval::Action::keepProtected:
                    log ("Keeping protected folder: " + target);
                    break;

                case PlannedRemoval::Action::remove:
                    log ("Deleting " + target);
                    removeOrReport (targetFile);
                    break;

                case PlannedRemoval::Action::missing:
                case PlannedRemoval::Action::refuse:
                    log ("Skipping missing uninstall target: " + target);
                    break;
            }

            if (const auto folder = folderToTidyAfter (targetFile);
                folder.isDirectory() && whyFolderStays (folder, {}).isEmpty())
            {
                log ("Deleting empty directory: " + folder.getFullPathName());
                platform::deletePath (folder);
            }

            wait (2000);
        }

        removeStartMenuLinks (work, entry);

        if (! errors.isEmpty())
        {
            // The registration, the uninstaller and its folder stay, so that the user can try again.
            log ("Keeping the registry entry: some of " + appName + "'s files could not be removed.");
            errors.add (appName + " stays in the list of installed programs: uninstall it again once these files are free.");
            endInstallerProcess();
            return;
        }

        removeRegisteredUninstaller (entry, executable);
        const auto deleteParentDirectory = removeInstallLocation (entry, executable);

        log ("Removing Registry entries...");
        wait (1000);

        if (deleteUninstallRegistry (appUuid))
        {
            log ("Success cleaning registry");
        }
        else
        {
            log ("Error cleaning registry");
            errors.add ("The registry entry " + uninstallKeyPath (appUuid) + " could not be deleted.");
        }

        wait (1000);

        // Only the registered uninstaller removes itself: the installer run with --uninstall from
        // wherever the user keeps it is the user's file. A program in a system or shared folder
        // is never the product's own, whatever the registration says.
        if (entry.uninstaller.isNotEmpty() && samePath (juce::File (entry.uninstaller), executable)
            && ! isProtectedFolder (executable.getParentDirectory()))
            startSelfDeletion (deleteParentDirectory, [this] (const juce::String& line) { log (line); });

        endInstallerProcess();
    }

    bool Deinstallation::removeOrReport (const juce::File& path)
    {
        if (platform::deletePath (path))
            return true;

        const auto inUse = platform::findFileInUse (path);
        const auto programs = inUse == juce::File() ? juce::StringArray() : platform::programsUsing (inUse);
        auto message = "Could not remove " + path.getFullPathName();

        if (inUse != juce::File())
            message << ": " << inUse.getFullPathName() << " is in use"
                    << (programs.isEmpty() ? juce::String() : " by " + programs.joinIntoString (", "));

        log ("Error: " + message);
        errors.add (message + ".");
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

    void Deinstallation::removeRegisteredUninstaller (const UninstallEntry& entry, const juce::File& executable)
    {
        // The registered uninstaller removes itself once it has exited. Run from anywhere else (the
        // installer with --uninstall), this run removes it, as it removes everything installed.
        if (entry.uninstaller.isEmpty())
            return;

        const juce::File uninstaller (entry.uninstaller);

        if (! uninstaller.existsAsFile() || samePath (uninstaller, executable)
            || samePath (uninstaller.getParentDirectory(), entry.installLocation))
            return;

        // The registration may name any file; only one this product put where it puts its
        // uninstaller is deleted.
        if (! isOwnUninstaller (entry, manifest.getObjects(), manifest.getAppName(), uninstaller))
        {
            log ("Keeping " + uninstaller.getFullPathName() + ": it is not where this product installs its uninstaller");
            return;
        }

        log ("Deleting " + uninstaller.getFullPathName());
        removeOrReport (uninstaller);

        const auto folder = uninstaller.getParentDirectory();

        if (folder.isDirectory() && ! isProtectedFolder (folder)
            && folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories) == 0)
        {
            log ("Deleting empty directory: " + folder.getFullPathName());
            platform::deletePath (folder);
        }
    }

    bool Deinstallation::removeInstallLocation (const UninstallEntry& entry, const juce::File& executable)
    {
        const auto location = entry.installLocation;
        log ("Deleting directory: " + location.getFullPathName());

        // Only a local folder the registration names is ever emptied, never a share's.
        if (! isLocalAbsolutePath (location.getFullPathName()) || ! location.exists())
            return false;

        // The install location of a plug-in is often the shared plug-in folder itself: it goes only
        // when nothing but this product's own files is left in it.
        const auto ours = ownFilesInInstallLocation (entry, manifest.getObjects(), manifest.getAppName());
        const auto whyItStays = whyFolderStays (location, ours);

        if (whyItStays.isEmpty())
        {
            // The running uninstaller cannot go yet: the self-deletion script takes it and the folder.
            platform::deletePath (location);
            return location.exists() && samePath (location, executable.getParentDirectory());
        }

        for (const auto& file : ours)
            if (file.existsAsFile() && ! samePath (file, executable))
                removeOrReport (file);

        log ("Keeping directory: " + location.getFullPathName() + " (" + whyItStays + ")");
        return false;
    }
}
