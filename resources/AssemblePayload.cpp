#include "EmbeddedResources.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <utility>
#include <vector>

namespace CorvoAudio
{
    namespace
    {
        const juce::String pieceMarker (".corvoChunk");

        struct Piece
        {
            juce::String filename;
            const char* identifier;
        };

        /** The table's pieces in natural order of their file names, so that piece 10 follows piece 9. */
        std::vector<Piece> piecesOf (const resources::ResourceTable& table)
        {
            std::vector<Piece> pieces;

            for (int i = 0; i < table.size; ++i)
                if (juce::String (table.originalFilenames[i]).contains (pieceMarker))
                    pieces.push_back ({ table.originalFilenames[i], table.identifiers[i] });

            for (size_t i = 0; i + 1 < pieces.size();)
            {
                if (pieces[i].filename.compareNatural (pieces[i + 1].filename) > 0)
                {
                    std::swap (pieces[i], pieces[i + 1]);
                    i = 0;
                }
                else
                {
                    ++i;
                }
            }

            return pieces;
        }

        std::pair<const char*, size_t> bytesOf (const resources::ResourceTable& table, const char* identifier)
        {
            int size = 0;
            const auto* data = table.lookup (identifier, size);
            return data != nullptr && size > 0 ? std::make_pair (data, (size_t) size) : std::make_pair (nullptr, (size_t) 0);
        }
    }

    namespace
    {
        /** Consecutive byte ranges read as one stream. */
        class JoinedStream final : public juce::InputStream
        {
        public:
            explicit JoinedStream (std::vector<std::pair<const char*, size_t>> partsToJoin)
            {
                for (const auto& [data, size] : partsToJoin)
                {
                    if (size == 0)
                        continue;

                    parts.push_back ({ data, size, total });
                    total += (juce::int64) size;
                }
            }

            juce::int64 getTotalLength() override   { return total; }
            juce::int64 getPosition() override      { return position; }
            bool isExhausted() override             { return position >= total; }

            bool setPosition (juce::int64 newPosition) override
            {
                position = juce::jlimit ((juce::int64) 0, total, newPosition);
                return true;
            }

            int read (void* destination, int numBytes) override
            {
                auto* out = static_cast<char*> (destination);
                int done = 0;

                while (done < numBytes && position < total)
                {
                    const auto& part = partAt (position);
                    const auto offset = (size_t) (position - part.start);
                    const auto chunk = (int) juce::jmin ((juce::int64) (numBytes - done), (juce::int64) (part.size - offset));

                    std::memcpy (out + done, part.data + offset, (size_t) chunk);
                    done += chunk;
                    position += chunk;
                }

                return done;
            }

        private:
            struct Part
            {
                const char* data;
                size_t size;
                juce::int64 start;
            };

            const Part& partAt (juce::int64 where)
            {
                // Reads mostly go forward: the part of the last read, or the next one, is the usual answer.
                if (! contains (parts[current], where))
                {
                    const auto found = std::upper_bound (parts.begin(), parts.end(), where,
                                                         [] (juce::int64 w, const Part& p) { return w < p.start; });
                    current = (size_t) std::distance (parts.begin(), found) - 1;
                }

                return parts[current];
            }

            static bool contains (const Part& part, juce::int64 where)
            {
                return where >= part.start && where < part.start + (juce::int64) part.size;
            }

            std::vector<Part> parts;
            juce::int64 total = 0, position = 0;
            size_t current = 0;
        };

        std::vector<std::pair<const char*, size_t>> partsOf (const resources::ResourceTable& table)
        {
            std::vector<std::pair<const char*, size_t>> parts;
            const auto pieces = piecesOf (table);

            if (pieces.empty())
                parts.push_back (bytesOf (table, "Payload_zip"));

            for (const auto& piece : pieces)
                parts.push_back (bytesOf (table, piece.identifier));

            return parts;
        }
    }

    std::unique_ptr<juce::InputStream> openPayload (const resources::ResourceTable& table)
    {
        return std::make_unique<JoinedStream> (partsOf (table));
    }

    std::unique_ptr<juce::MemoryBlock> assemblePayload (const resources::ResourceTable& table)
    {
        auto stream = openPayload (table);
        auto block = std::make_unique<juce::MemoryBlock> ((size_t) stream->getTotalLength(), false);
        auto* destination = static_cast<char*> (block->getData());

        for (size_t done = 0; done < block->getSize();)
        {
            const auto chunk = (int) juce::jmin (block->getSize() - done, (size_t) (1 << 30));
            const auto read = stream->read (destination + done, chunk);

            if (read <= 0)
            {
                block->setSize (done);
                break;
            }

            done += (size_t) read;
        }

        return block;
    }

    juce::String payloadPiecesProblem (const resources::ResourceTable& table)
    {
        const auto pieces = piecesOf (table);
        const auto expected = table.payloadPieces >= 0 ? table.payloadPieces : (int) pieces.size();

        if ((int) pieces.size() != expected)
            return "has " + juce::String ((int) pieces.size()) + " of its " + juce::String (expected) + " pieces";

        size_t pieceSize = 0;

        for (size_t i = 0; i < pieces.size(); ++i)
        {
            const auto& name = pieces[i].filename;
            const auto number = name.fromLastOccurrenceOf (pieceMarker, false, false);

            if (! number.containsOnly ("0123456789") || number.isEmpty() || number.getIntValue() != (int) i)
                return "lacks piece " + juce::String ((int) i) + " of " + juce::String (expected);

            const auto size = bytesOf (table, pieces[i].identifier).second;

            if (i == 0)
                pieceSize = size;

            if (size == 0 || size > pieceSize || (i + 1 < pieces.size() && size != pieceSize))
                return "has a piece of the wrong size (piece " + juce::String ((int) i) + ", " + juce::String ((juce::int64) size) + " bytes)";
        }

        return {};
    }

    std::unique_ptr<juce::MemoryBlock> assemblePayload()
    {
        return assemblePayload (resources::embeddedTable());
    }
}
