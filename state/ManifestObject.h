#pragma once

#include <juce_core/juce_core.h>

/** One install object of the manifest, as read from its attributes. */
struct ManifestObject
{
    juce::String objectName;
    juce::String objectPath;
    bool isMainApplication = false;
    bool isUninstaller = false;
    bool visible = false;
    bool allowUserPath = false;
    bool installationOptional = false;
    bool defaultSelection = false;
    juce::String defaultInstallPath;
    bool runPostInstall = false;
    juce::String postInstallArgs;
    bool preventUninstall = false;
    bool createUninstallBatScript = false;
    juce::String uninstallOptionId;
    juce::String uninstallOptionLabel;
    bool uninstallOptionDefaultSelection = false;
    juce::StringArray uninstallOptionRequires;
    int uninstallOrder = 1000;
    bool runPreUninstall = false;
    juce::String preUninstallArgs;
};

/** Manifest text conversions: true for a non-zero number or, trimmed, "true" / "yes" in any case. */
bool manifestBool (const juce::var& value);

/** The text's leading decimal number, 0 when there is none. */
int manifestInt (const juce::var& value);

/** Splits at every "," and ";", trims the pieces and drops empty ones. */
juce::StringArray splitManifestList (const juce::String& text);
