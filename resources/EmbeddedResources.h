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

        /** How many pieces the build cut the payload into; -1 when not known. */
        int payloadPieces = -1;
    };

    /** The table the build generated for this product, or the one a test put in its place. */
    ResourceTable embeddedTable();

    /** Puts a table in place of the embedded one for the resources of the payload (nullptr puts
        the embedded one back). For tests; the caller keeps the table alive while it is used. */
    void replaceEmbeddedTable (const ResourceTable* replacement);

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
    /** The payload archive read straight from its pieces, in natural order of their file names
        (or from the whole archive when there are no pieces), as one seekable stream: nothing is
        copied, and only the parts of the executable's data that a reader asks for are touched.
        The table's bytes must outlive the stream. Never null; empty when there is no payload. */
    std::unique_ptr<juce::InputStream> openPayload (const resources::ResourceTable& table);

    /** The payload archive in one block, sized once: what openPayload reads, copied. */
    std::unique_ptr<juce::MemoryBlock> assemblePayload (const resources::ResourceTable& table);

    /** Why the table's pieces do not make a whole payload ("has 6 of its 7 pieces", "lacks piece 2
        of 7"), or empty when they do: the pieces must
        be numbered 0 to n - 1 without a gap, as many as the build made, and all but the last of
        one size, the last no longer. A payload with a piece missing would still open as an
        archive, with the entries of the missing piece damaged or gone. */
    juce::String payloadPiecesProblem (const resources::ResourceTable& table);

    /** assemblePayload over the embedded table. */
    std::unique_ptr<juce::MemoryBlock> assemblePayload();
}
