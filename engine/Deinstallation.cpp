#include "Deinstallation.h"
#include "Commands.h"
#include "Identifiers.h"
#include "PathText.h"
#include "Platform.h"
#include "ProtectedFolders.h"
#include "SelfDeletion.h"
#include "UninstallPlan.h"

namespace CorvoAudio
{
    namespace
    {
        bool samePath (const juce::File& a, const juce::File& b)
        {
            return a.getFullPathName().equalsIgnoreCase (b.getFullPathName());
        }
    }

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

        const juce::File executable (platform::getExecutablePath());
        auto deleteParentDirectory = false;

        if (entry.displayName.isNotEmpty())
        {
            log ("Uninstalling: " + entry.displayName + " v" + entry.displayVersion);
            log ("Company: " + entry.publisher);
            log ("AppUUID: " + entry.id);

            for (const auto& object : work)
            {
                const auto target = resolveUninstallTarget (entry, object);
                const auto extension = extensionOf (target);
                const juce::File targetFile (target.isEmpty() ? juce::File() : juce::File::getCurrentWorkingDirectory().getChildFile (target));

                if (object.runPreUninstall)
                {
                    if (target.isNotEmpty() && targetFile.existsAsFile())
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

                if (target.isNotEmpty() && targetFile.exists())
                {
                    if (isProtectedFolder (targetFile))
                    {
                        log ("Keeping protected folder: " + target);
                    }
                    else
                    {
                        log ("Deleting " + target);
                        platform::deletePath (targetFile);
                    }
                }
                else
                {
                    log ("Skipping missing uninstall target: " + target);
                }

                // A bundle's parent is the shared plug-in folder: it is never touched.
                if (! extension.containsIgnoreCase ("vst3") && ! extension.containsIgnoreCase ("aaxplugin"))
                {
                    const auto parent = targetFile.getParentDirectory();

                    if (target.isNotEmpty() && parent.isDirectory() && ! isProtectedFolder (parent)
                        && parent.getNumberOfChildFiles (juce::File::findFilesAndDirectories) == 0)
                    {
                        log ("Deleting empty directory: " + parent.getFullPathName());
                        platform::deletePath (parent);
                    }
                }

                wait (2000);
            }

            removeStartMenuLinks (work, entry);
            removeRegisteredUninstaller (entry, executable);
            deleteParentDirectory = removeInstallLocation (entry, executable);

            log ("Removing Registry entries...");
            wait (1000);
            log (deleteUninstallRegistry (appUuid) ? "Success cleaning registry" : "Error cleaning registry");
            wait (1000);
        }
        else
        {
            log ("Error: couldn't find app entry for " + appName + " in Windows registry");
        }

        // Only the registered uninstaller removes itself: the installer run with --uninstall from
        // wherever the user keeps it is the user's file.
        if (entry.uninstaller.isNotEmpty() && samePath (juce::File (entry.uninstaller), executable))
            startSelfDeletion (deleteParentDirectory, [this] (const juce::String& line) { log (line); });

        endInstallerProcess();
    }

    void Deinstallation::removeStartMenuLinks (const std::vector<ManifestObject>& removed, const UninstallEntry& entry)
    {
        // The installation links its main application into the company's Start-menu folder; a
        // link to a removed program goes with it.
        for (const auto& object : removed)
        {
            const auto program = object.objectPath.replace ("/", "\\");

            if (! object.isMainApplication || extensionOf (program) != ".exe" || entry.publisher.isEmpty())
                continue;

            const auto link = startMenuLinkFor (program, entry.publisher);
            const auto folder = link.getParentDirectory();

            if (! link.existsAsFile())
                continue;

            log ("Deleting " + link.getFullPathName());
            platform::deletePath (link);

            if (folder.isDirectory() && folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories) == 0)
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

        log ("Deleting " + uninstaller.getFullPathName());
        platform::deletePath (uninstaller);

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

        if (location.getFullPathName().isEmpty() || ! location.exists())
            return false;

        // The install location of a plug-in is often the shared plug-in folder itself: it goes only
        // when nothing but this product's own files is left in it.
        juce::StringArray ours { "icon.ico", "Uninstall " + manifest.getAppName() + ".bat" };
        const juce::File uninstaller (entry.uninstaller);

        if (entry.uninstaller.isNotEmpty() && samePath (uninstaller.getParentDirectory(), location))
            ours.add (uninstaller.getFileName());

        auto onlyOurs = true;

        for (const auto& child : location.findChildFiles (juce::File::findFilesAndDirectories, false, "*",
                                                          juce::File::FollowSymlinks::no))
            if (! ours.contains (child.getFileName(), true))
                onlyOurs = false;

        const auto isProtected = isProtectedFolder (location);

        if (onlyOurs && ! isProtected)
        {
            // The running uninstaller cannot go yet: the self-deletion script takes it and the folder.
            platform::deletePath (location);
            return location.exists() && samePath (location, executable.getParentDirectory());
        }

        for (const auto& name : ours)
        {
            const auto file = location.getChildFile (name);

            if (file.existsAsFile() && ! samePath (file, executable))
                platform::deletePath (file);
        }

        log ("Keeping directory: " + location.getFullPathName()
             + (isProtected && onlyOurs ? " (it is a protected folder)" : " (it holds other files)"));
        return false;
    }
}
