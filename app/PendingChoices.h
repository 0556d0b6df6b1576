#pragma once

#include "CommandLine.h"
#include "ManifestProperties.h"

#include <map>
#include <optional>

namespace CorvoAudio
{
    /** What a user may decide in the wizard, and nothing else: which visible optional objects to
        leave out, the folder of an object that allows one, and the uninstall options. Read from a
        manifest copy that anyone who can write the user's profile may have written, so every
        choice is checked against the embedded manifest and the rest of the copy is ignored. */
    struct PendingChoices
    {
        juce::StringArray deselected;                      // objectPaths
        std::map<juce::String, juce::String> folders;      // objectPath -> chosen folder
        std::optional<juce::String> uninstallOptions;      // option ids joined with ","
        juce::StringArray ignored;                         // what was refused, for the log
        bool componentsChosen = false;                     // the selection was made, not left as it was

        /** The choices a stored copy makes that the embedded manifest allows. An uninstall takes
            only the uninstall options: it removes every object, whatever was left out or moved. */
        static PendingChoices takeFrom (const juce::ValueTree& storedCopy, const ManifestProperties& embedded, bool uninstall);

        /** The choices a command line makes. An object, folder or option the embedded manifest
            does not allow is not ignored, as in a stored copy, but refused: problem names it. */
        static PendingChoices fromCommandLine (const CommandLine& line, const ManifestProperties& embedded,
                                               bool uninstall, juce::String& problem);

        /** The command line that makes these choices again (mode and log aside): components and
            folders for an installation, the uninstall options (where the product has any) for an
            uninstall, which takes no other choice. */
        void addTo (CommandLine& line, const ManifestProperties& embedded, bool uninstall) const;

        /** The embedded manifest with these choices as its defaults, for the wizard's pages. */
        juce::ValueTree asDefaults (const ManifestProperties& embedded) const;

        /** Replaces copy's content with the embedded manifest and applies the choices to it. */
        void applyTo (juce::ValueTree copy, const ManifestProperties& embedded) const;

        /** One line per choice, for the log of a resumed run. */
        juce::StringArray describe() const;
    };
}
