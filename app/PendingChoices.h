#pragma once

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

        /** The choices a stored copy makes that the embedded manifest allows. */
        static PendingChoices takeFrom (const juce::ValueTree& storedCopy, const ManifestProperties& embedded);

        /** Replaces copy's content with the embedded manifest and applies the choices to it. */
        void applyTo (juce::ValueTree copy, const ManifestProperties& embedded) const;

        /** One line per choice, for the log of a resumed run. */
        juce::StringArray describe() const;
    };
}
