#include "UninstallRegistry.h"
#include "Platform.h"
#include "Registry.h"
#include "UninstallScript.h"

namespace CorvoAudio
{
    namespace reg = platform::registry;

    juce::String registrationIconName (const juce::String& id)
    {
        return "icon {" + id + "}.ico";
    }

    juce::String uninstallKeyPath (const juce::String& id)
    {
        return "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{" + id + "}";
    }

    static bool isBatchScript (const juce::String& path)
    {
        return path.endsWithIgnoreCase (".bat");
    }

    juce::String uninstallCommand (const UninstallEntry& entry)
    {
        // cmd drops the first and the last quote of the text after /C: the script's path keeps its
        // own, whatever it holds ("(x86)", "&", blanks).
        if (isBatchScript (entry.uninstaller))
            return "cmd.exe /C \"" + entry.uninstaller.quoted() + "\"";

        // Quoted: the uninstaller lies below "Program Files", and callers split at blanks.
        const auto program = entry.uninstaller.quoted();
        return entry.uninstallArguments.isNotEmpty() ? program + " " + entry.uninstallArguments : program;
    }

    juce::String quietUninstallCommand (const UninstallEntry& entry)
    {
        if (isBatchScript (entry.uninstaller))
            return "cmd.exe /C \"" + entry.uninstaller.quoted() + " " + quietArgument + "\"";

        if (entry.quietUninstallArguments.isNotEmpty())
            return entry.uninstaller.quoted() + " " + entry.quietUninstallArguments;

        return uninstallCommand (entry) + " --headless";
    }

    juce::uint32 estimatedSizeKB (const juce::Array<juce::File>& installed)
    {
        juce::int64 bytes = 0;
        juce::Array<juce::File> counted;

        for (const auto& path : installed)
        {
            if (counted.contains (path))
                continue;

            counted.add (path);

            if (path.isDirectory())
            {
                // Hidden files included (desktop.ini, the registration's icon).
                for (const auto& entry : juce::RangedDirectoryIterator (path, true, "*", juce::File::findFiles))
                    bytes += entry.getFileSize();
            }
            else if (path.existsAsFile())
            {
                bytes += path.getSize();
            }
        }

        return (juce::uint32) juce::jmin<juce::int64> ((bytes + 1023) / 1024, 0xffffffffLL);
    }

    bool isRegistered (const juce::String& id)
    {
        return reg::probeKey (uninstallKeyPath (id)) != reg::errorFileNotFound;
    }

    bool writeUninstallRegistry (const UninstallEntry& entry, std::function<void (const juce::String&)> onError)
    {
        const auto fail = [&onError] (const juce::String& message)
        {
            if (onError != nullptr)
                onError (message);

            return false;
        };

        const auto key = uninstallKeyPath (entry.id);

        if (reg::createKey (key) != 0)
            return fail ("Error creating uninstall registry entry");

        const auto writeString = [&key] (const juce::String& name, const juce::String& text)
        {
            return reg::setString (key, name, text) == 0;
        };

        struct Value { juce::String name, text, messageName; };
        juce::Array<Value> values;
        values.add ({ "DisplayName", entry.displayName, "DisplayName" });
        values.add ({ "DisplayVersion", entry.displayVersion, "DisplayVersion" });
        values.add ({ "HelpLink", entry.webLink, "HelpLink" });
        values.add ({ "InstallLocation", entry.installLocation.getFullPathName(), "InstallLocation" });

        for (int i = 0; i < entry.extraPaths.size(); ++i)
            values.add ({ "ExtraPath" + juce::String (i), entry.extraPaths[i], "ExtraPath" });

        for (int i = 0; i < entry.createdFolders.size(); ++i)
            values.add ({ "CreatedFolder" + juce::String (i), entry.createdFolders[i], "CreatedFolder" });

        values.add ({ "Publisher", entry.publisher, "Publisher" });
        values.add ({ "UninstallString", uninstallCommand (entry), "UninstallString" });
        values.add ({ "QuietUninstallString", quietUninstallCommand (entry), "QuietUninstallString" });
        values.add ({ "URLInfoAbout", entry.webLink, "URLInfoAbout" });
        values.add ({ "URLUpdateInfo", entry.webLink, "URLUpdateInfo" });

        for (const auto& value : values)
            if (! writeString (value.name, value.text))
                return fail ("Error creating Registry " + value.messageName + " key");

        // A shorter list than the previous installation's leaves no stale numbers behind it.
        for (const auto& [prefix, count] : { std::pair<juce::String, int> { "ExtraPath", entry.extraPaths.size() },
                                             std::pair<juce::String, int> { "CreatedFolder", entry.createdFolders.size() } })
            for (int i = count; reg::readString (key, prefix + juce::String (i)).error == 0; ++i)
                reg::deleteValue (key, prefix + juce::String (i));

        // Numbers, as Windows and inventory tools read them: the size in KB, and no Modify or
        // Repair button where the uninstaller has nothing behind it.
        struct Number { juce::String name; juce::uint32 value; };

        for (const auto& number : { Number { "EstimatedSize", entry.estimatedSizeKB },
                                    Number { "NoModify", entry.offersModify ? 0u : 1u },
                                    Number { "NoRepair", entry.offersModify ? 0u : 1u } })
            if (reg::setDword (key, number.name, number.value) != 0)
                return fail ("Error creating Registry " + number.name + " key");

        const auto icon = entry.installLocation.getChildFile (registrationIconName (entry.id));

        // The icon of an earlier installation of this product is hidden and read-only.
        if (icon.existsAsFile())
            icon.setReadOnly (false);

        if (const auto written = platform::replaceFile (icon, entry.iconData, (size_t) juce::jmax (0, entry.iconSize)); written.failed())
            return fail (written.getErrorMessage());

        if (! writeString ("DisplayIcon", icon.getFullPathName()))
            return fail ("Error creating Registry DisplayIcon key");

        platform::addFileAttributes (icon, true, true);
        return true;
    }

    juce::String programOfCommand (const juce::String& command)
    {
        auto text = command.trim();

        if (text.startsWithIgnoreCase ("cmd.exe /C "))
        {
            text = text.substring (11).trim();

            if (text.startsWith ("\"\""))
                text = text.substring (1);
        }

        if (text.startsWithChar ('"'))
            return text.substring (1).upToFirstOccurrenceOf ("\"", false, false);

        return text;
    }

    UninstallEntry readUninstallRegistry (const juce::String& id)
    {
        UninstallEntry entry;
        entry.id = id;

        const auto key = uninstallKeyPath (id);
        auto failed = false;

        const auto read = [&key, &failed] (const juce::String& name, bool& ok)
        {
            const auto result = reg::readString (key, name);
            ok = result.error == 0;

            if (! ok)
                platform::writeLine ("Error reading registry value from path: " + key
                                     + ". Error: Windows system error code: " + juce::String (result.error));

            return result.text;
        };

        const auto readText = [&read, &failed] (const juce::String& name)
        {
            bool ok = true;
            auto text = read (name, ok);
            failed = failed || ! ok;
            return text;
        };

        const auto asPath = [] (const juce::String& text)
        {
            return text.isEmpty() ? juce::String() : juce::File::getCurrentWorkingDirectory().getChildFile (text).getFullPathName();
        };

        entry.displayName = readText ("DisplayName");
        entry.displayVersion = readText ("DisplayVersion");
        entry.publisher = readText ("Publisher");
        entry.webLink = readText ("HelpLink");

        if (const auto location = asPath (readText ("InstallLocation")); location.isNotEmpty())
            entry.installLocation = juce::File (location);

        entry.uninstaller = asPath (programOfCommand (readText ("UninstallString")));

        if (failed)
            return entry;

        for (int n = 0;; ++n)
        {
            bool ok = true;
            const auto path = asPath (read ("ExtraPath" + juce::String (n), ok));

            if (! ok)
                break;

            if (path.isNotEmpty() && juce::File (path).exists())
                entry.extraPaths.add (path);
        }

        entry.createdFolders = readCreatedFolders (id);
        return entry;
    }

    juce::StringArray readCreatedFolders (const juce::String& id)
    {
        juce::StringArray folders;
        const auto key = uninstallKeyPath (id);

        for (int n = 0;; ++n)
        {
            const auto result = reg::readString (key, "CreatedFolder" + juce::String (n));

            if (result.error != 0)
                break;

            if (result.text.isNotEmpty())
                folders.addIfNotAlreadyThere (result.text);
        }

        return folders;
    }

    static bool deleteKeyRecursively (juce::String path)
    {
        if (reg::deleteKey (path) == 0)
            return true;

        if (const auto error = reg::probeKey (path); error != 0)
        {
            if (error == reg::errorFileNotFound)
            {
                platform::writeLine ("Key not found.");
                return true;
            }

            platform::writeLine ("Error opening key.");
            return false;
        }

        if (! path.endsWithChar ('\\'))
            path << '\\';

        for (;;)
        {
            const auto subkey = reg::firstSubkey (path.dropLastCharacters (1));

            if (subkey.error != 0)
                break;

            if (! deleteKeyRecursively (path + subkey.text))
                break;
        }

        return reg::deleteKey (path.dropLastCharacters (1)) == 0;
    }

    bool deleteUninstallRegistry (const juce::String& id)
    {
        // The key path lives in a buffer of 520 characters.
        return deleteKeyRecursively (uninstallKeyPath (id).substring (0, 519));
    }
}
