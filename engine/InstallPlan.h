#pragma once

#include "ManifestProperties.h"

#include <juce_core/juce_core.h>

#include <vector>

namespace CorvoAudio
{
    /** One object of an install, with everything the procedure needs to know about it. */
    struct PlannedObject
    {
        ManifestObject object;
        juce::String entryName;     // the payload entry: objectPath with "\\" for "/"
        juce::String problem;       // why the object is refused, or empty
        juce::File destination;     // the folder it goes into
        juce::File installed;       // what it installs, and what it replaces when that exists
        juce::String target;        // the destination as the manifest writes it, placeholders resolved
    };

    /** What an install will do, decided before it starts from the manifest copy (the embedded
        manifest with the user's choices): the worker executes exactly this and reads no tree. */
    struct InstallPlan
    {
        juce::String appName, appVersion, appUuid, companyName, webLink;
        std::vector<PlannedObject> objects;

        /** The main application's folder, the registration's install location. */
        juce::File mainFolder;
        juce::String mainApplicationPath;

        /** The installed paths that exist now: what the install replaces. */
        juce::Array<juce::File> replacedPaths() const;

        /** The destination folders of the objects that can be installed. */
        juce::Array<juce::File> destinations() const;
    };

    /** Makes the plan from a manifest view; call it on the message thread. */
    InstallPlan makeInstallPlan (const ManifestProperties& manifest);
}
