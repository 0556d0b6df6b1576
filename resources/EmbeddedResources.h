#pragma once

#include <juce_core/juce_core.h>
#include <juce_graphics/juce_graphics.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <memory>

/** The files compiled into the executable, looked up by the identifiers of the resource table. */
namespace resources
{
    /** A named resource table: parallel lists of identifiers and source file names, and a lookup
        from identifier to bytes. */
    struct ResourceTable
    {
        int size = 0;
        const char* const* identifiers = nullptr;
        const char* const* originalFilenames = nullptr;
        std::function<const char* (const char* identifier, int& sizeOut)> lookup;
    };

    /** The table the build generated for this product. */
    ResourceTable embeddedTable();

    /** A resource's bytes, or an empty block when the table has no such identifier. */
    juce::MemoryBlock getResource (const char* identifier);

    /** A picture of the table, decoded once. The image cache knows a picture by the address of
        its bytes, so it is handed the table's own bytes, which live as long as the program (a
        copy's address may be taken by another picture's copy later). */
    juce::Image getImage (const char* identifier);

    /** A drawing (an SVG of the table), or none when the table lacks it or it does not parse. */
    std::unique_ptr<juce::Drawable> getDrawable (const char* identifier);

    /** The embedded install manifest, as UTF-8 text. */
    juce::String manifestText();

    /** The icon file of the uninstall registration. */
    juce::MemoryBlock registryIcon();
}

namespace CorvoAudio
{
    /** The payload archive, rebuilt from its pieces in natural order of their file names, or the
        whole archive when there are no pieces. Never null; empty when there is no payload. */
    std::unique_ptr<juce::MemoryBlock> assemblePayload (const resources::ResourceTable& table);

    /** assemblePayload over the embedded table. */
    std::unique_ptr<juce::MemoryBlock> assemblePayload();
}
