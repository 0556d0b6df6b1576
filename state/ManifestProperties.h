#pragma once

#include "ManifestObject.h"
#include "ValueTreeWrapper.h"

#include <vector>

/** Guards every read and edit of a manifest's object list and of the selected uninstall options.
    Re-entrant, shared by every manifest tree of the process. */
extern juce::CriticalSection manifestLock;

/** View of a manifest tree: the embedded manifest or the copy in the persistent tree. */
class ManifestProperties final : public ValueTreeWrapper
{
public:
    /** With loadEmbedded, prints the embedded manifest text, parses it and views the result. */
    explicit ManifestProperties (bool loadEmbedded);

    /** Parses manifest XML into a tree; an invalid tree when it does not parse. */
    static juce::ValueTree parse (const juce::String& xmlText);

    juce::String getAppName() const;
    juce::String getAppVersion() const;
    juce::String getCompanyName() const;

    /** The version packed into one integer: 1.0.7 gives 65543. */
    int getVersionNumber() const;

    std::vector<ManifestObject> getObjects() const;
    void setObjectInstallPath (const juce::String& objectPath, const juce::String& path);
    void removeObject (const juce::String& objectPath);

    void initialiseDefaults() override {}

    /** Packs a version text as getVersionNumber does. */
    static int packVersion (const juce::String& version);

    static ManifestObject readObject (const juce::ValueTree& object);
};
