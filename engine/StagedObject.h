#pragma once

#include "ZipExtraction.h"

#include <juce_core/juce_core.h>

namespace CorvoAudio
{
    /** Unpacks an object from the payload into the staging folder: the entry itself, and for an
        inner archive ("<name>.zip") its content, which must lie within the one top-level folder
        <name>. Returns the staged file or folder through staged; innerFailed tells that the entry
        itself was extracted and its inner archive failed. */
    /** Extracts every entry of the archive below the folder, on several threads for a bundle of
        many files; the first entry in the archive's order that failed is the error. */
    juce::Result extractAll (const CheckedZipArchive& archive, const juce::File& folder);

    juce::Result stageObject (const CheckedZipArchive& payload, int entryIndex, const juce::String& installedName,
                              const juce::File& stagingFolder, juce::File& staged, bool& innerFailed);
}
