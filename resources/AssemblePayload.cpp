#include "EmbeddedResources.h"

#include <utility>
#include <vector>

namespace CorvoAudio
{
    std::unique_ptr<juce::MemoryBlock> assemblePayload (const resources::ResourceTable& table)
    {
        auto block = std::make_unique<juce::MemoryBlock>();

        const auto append = [&table, &block] (const char* identifier)
        {
            int size = 0;

            if (const auto* data = table.lookup (identifier, size); data != nullptr && size > 0)
            {
                juce::MemoryInputStream piece (data, (size_t) size, false);
                piece.readIntoMemoryBlock (*block, size);
            }
        };

        // (source file name, identifier)
        std::vector<std::pair<juce::String, const char*>> pieces;

        for (int i = 0; i < table.size; ++i)
            if (juce::String (table.originalFilenames[i]).contains (".corvoChunk"))
                pieces.emplace_back (table.originalFilenames[i], table.identifiers[i]);

        // Natural order, so that piece 10 follows piece 9.
        for (size_t i = 0; i + 1 < pieces.size();)
        {
            if (pieces[i].first.compareNatural (pieces[i + 1].first) > 0)
            {
                std::swap (pieces[i], pieces[i + 1]);
                i = 0;
            }
            else
            {
                ++i;
            }
        }

        if (pieces.empty())
        {
            append ("Payload_zip");
            return block;
        }

        for (const auto& piece : pieces)
            append (piece.second);

        return block;
    }

    std::unique_ptr<juce::MemoryBlock> assemblePayload()
    {
        return assemblePayload (resources::embeddedTable());
    }
}
