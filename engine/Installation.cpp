#include "Installation.h"
#include "Commands.h"
#include "EmbeddedResources.h"
#include "Identifiers.h"
#include "PathText.h"
#include "Platform.h"
#include "UninstallRegistry.h"
#include "UninstallScript.h"
#include "ZipExtraction.h"

namespace CorvoAudio
{
    namespace
    {
        juce::File asFullPath (const juce::String& path)
        {
            if (path.isEmpty())
                return {};

            return juce::File::isAbsolutePath (path) ? juce::File (path)
                                                     : juce::File::getCurrentWorkingDirectory().getChildFile (path);
        }

        juce::String withoutZipExtension (const juce::String& path)
        {
            return extensionOf (path) == ".zip" ? path.dropLastCharacters (4) : path;
        }

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

    void Installation::writeUninstallScript (const juce::File& script, const juce::StringArray& paths, const juce::String& key)
    {
        writeUninstallScriptFile (script, manifest.getAppName(), paths, key);
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
        wait (1000);

        if (threadShouldExit())
            return;

        const auto payload = assemblePayload();
        juce::MemoryInputStream payloadStream (*payload, false);
        const CheckedZipArchive archive (payloadStream);

        // The main folder: where the main application goes, the install location of the registration.
        juce::File mainFolder;
        juce::String mainApplicationPath;

        for (const auto& object : objects)
        {
            if (threadShouldExit())
                return;

            if (object.isMainApplication)
            {
                auto path = object.defaultInstallPath;
                resolvePathPlaceholders (path);
                mainFolder = asFullPath (path);

                // A zipped main object is unpacked into a folder of its name; that folder is what
                // was installed.
                mainApplicationPath = mainFolder == juce::File() ? juce::String()
                                                                 : withoutZipExtension (mainFolder.getChildFile (object.objectPath).getFullPathName());
            }
        }

        if (mainFolder == juce::File())
        {
            auto path = objects.front().defaultInstallPath;
            resolvePathPlaceholders (path);
            mainFolder = asFullPath (path);
        }

        if (mainFolder.getFullPathName().isEmpty() || ! mainFolder.exists())
            mainFolder.createDirectory();

        juce::StringArray extraPaths;
        juce::String uninstallerPath;

        for (const auto& object : objects)
        {
            if (threadShouldExit())
                return;

            juce::Thread::sleep (300);

            auto target = object.defaultInstallPath;
            resolvePathPlaceholders (target);
            const auto targetFolder = asFullPath (target);

            const auto entryName = object.objectPath.replace ("/", "\\");
            int entryIndex = -1;

            for (int i = 0; i < archive.getNumEntries(); ++i)
            {
                if (threadShouldExit())
                    return;

                if (archive.getEntryName (i) == entryName)
                {
                    entryIndex = i;
                    break;
                }
            }

            if (entryIndex < 0)
            {
                // Skipping it silently would let a broken installer report success having
                // installed nothing.
                const auto message = "The installer payload has no entry " + object.objectPath + ".";
                log ("Installing " + object.objectPath + "...");
                log ("   >> error : " + message);
                errors.add ("Error installing " + target + ".\n" + message);
                continue;
            }

            log ("Installing " + labelOf (entryName) + "...");

            auto result = targetFolder == juce::File() ? juce::Result::fail ("The destination folder of " + object.objectPath + " is not set.")
                                                       : archive.extractEntry (entryIndex, targetFolder);

            if (result.wasOk() && ! targetFolder.getFullPathName().equalsIgnoreCase (mainFolder.getFullPathName()))
                extraPaths.add (withoutZipExtension (targetFolder.getChildFile (entryName).getFullPathName()));

            if (result.wasOk() && object.isUninstaller)
                uninstallerPath = targetFolder.getChildFile (entryName).getFullPathName();

            const auto extracted = targetFolder.getChildFile (entryName);

            if (result.wasOk() && extensionOf (extracted.getFullPathName()) == ".zip")
            {
                const CheckedZipArchive inner (extracted);
                const auto folder = juce::File (withoutZipExtension (extracted.getFullPathName()));

                if (folder.existsAsFile())
                    folder.deleteFile();

                // An archive without entries is the 22 bytes of its end record; anything longer that
                // yields no entries is damaged.
                if (inner.getNumEntries() == 0 && extracted.getSize() != 22)
                    result = juce::Result::fail ("The archive " + extracted.getFullPathName() + " cannot be read.");

                for (int i = 0; i < inner.getNumEntries() && result.wasOk(); ++i)
                    result = inner.extractEntry (i, extracted.getParentDirectory());

                if (result.wasOk())
                {
                    extracted.deleteFile();
                    platform::addFileAttributes (folder, false, true);
                }
                else
                {
                    log ("Error unzipping " + extracted.getFullPathName() + ".\nSystem message: " + result.getErrorMessage());
                }
            }

            if (threadShouldExit())
                return;

            if (object.runPostInstall)
            {
                log ("Running " + object.objectName + "...");
                wait (500);
                const auto arguments = object.postInstallArgs.isNotEmpty() ? " " + object.postInstallArgs : juce::String (" /Silent");
                runCommand (extracted.getFullPathName().quoted() + arguments, this, [this] (const juce::String& line) { log (line); });
                wait (500);
            }

            if (object.createUninstallBatScript)
                uninstallerPath = extracted.getParentDirectory().getChildFile ("Uninstall " + appName + ".bat").getFullPathName();

            log ("   >> " + (result.wasOk() ? juce::String ("Success!") : "error : " + result.getErrorMessage()));

            if (result.failed())
                errors.add ("Error installing " + target + ".\nMake sure the file is not in use and run the installer again.\nSystem message: "
                            + result.getErrorMessage());
        }

        const auto appUuid = manifest.getString (Ids::AppUuid);

        if (extensionOf (uninstallerPath) == ".bat")
        {
            juce::StringArray paths (mainApplicationPath);
            paths.addArray (extraPaths);
            writeUninstallScript (juce::File (uninstallerPath), paths, uninstallKeyPath (appUuid));
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
