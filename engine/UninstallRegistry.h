#pragma once

#include <juce_core/juce_core.h>

#include <functional>

namespace CorvoAudio
{
    /** The values of a product's entry in the Windows list of installed programs. */
    struct UninstallEntry
    {
        juce::String displayName;
        juce::String displayVersion;
        juce::String id;
        juce::String publisher;
        juce::File installLocation;
        juce::StringArray extraPaths;
        juce::String uninstaller;
        juce::String uninstallArguments;
        juce::String quietUninstallArguments;
        juce::String webLink;
        juce::StringArray createdFolders;   // folders the installations made, for the uninstall to remove once empty
        juce::uint32 estimatedSizeKB = 0;   // what the installation occupies, as the list of programs shows it
        bool offersModify = false;          // the uninstaller has a modify page: the list shows Modify and Repair
        const void* iconData = nullptr;
        int iconSize = 0;
    };

    /** The file name of the registration's icon beside the install location: the product's own,
        so that products sharing a folder never replace or delete each other's. */
    juce::String registrationIconName (const juce::String& id);

    /** HKLM path of the product's uninstall key. */
    juce::String uninstallKeyPath (const juce::String& id);

    /** The UninstallString value for an uninstaller: a batch script runs through cmd, an
        executable's path is quoted and followed by its arguments. */
    juce::String uninstallCommand (const UninstallEntry& entry);

    /** The QuietUninstallString value. */
    juce::String quietUninstallCommand (const UninstallEntry& entry);

    /** The program an uninstall command runs: the script of a "cmd.exe /C" command, the quoted
        path of an executable, or the whole text. */
    juce::String programOfCommand (const juce::String& command);

    /** Writes the key, its values and the hidden, read-only icon file beside the install location.
        Stops at the first step that fails and reports it through onError (which may be empty). */
    bool writeUninstallRegistry (const UninstallEntry& entry, std::function<void (const juce::String&)> onError);

    /** The size the list of programs shows for these files and folders (with everything in
        them), in KB rounded up. */
    juce::uint32 estimatedSizeKB (const juce::Array<juce::File>& installed);

    /** True when the product has a registration at all (its key exists). */
    bool isRegistered (const juce::String& id);

    /** Reads the key of id; an entry with an empty displayName means that there is none. */
    UninstallEntry readUninstallRegistry (const juce::String& id);

    /** The folders that earlier installations of id recorded as made by them (read without a word
        when there are none). */
    juce::StringArray readCreatedFolders (const juce::String& id);

    /** Deletes the key of id with everything below it; true also when there was nothing to delete. */
    bool deleteUninstallRegistry (const juce::String& id);
}
