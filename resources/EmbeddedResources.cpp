#include "EmbeddedResources.h"

#include <atomic>

// The generated table of the product this executable is built for. Its header differs from product
// to product, so only the declarations that every product shares are used here.
namespace BinaryData
{
    extern const char* namedResourceList[];
    extern const char* originalFilenames[];
    const char* getNamedResource (const char* resourceNameUTF8, int& dataSizeInBytes);
}

namespace resources
{
    extern const int embeddedResourceCount;
    extern const int embeddedPayloadPieces;

    namespace
    {
        std::atomic<const ResourceTable*> replacementTable { nullptr };
    }

    ResourceTable embeddedTable()
    {
        if (const auto* replacement = replacementTable.load())
            return *replacement;

        return { embeddedResourceCount, BinaryData::namedResourceList, BinaryData::originalFilenames,
                 [] (const char* identifier, int& sizeOut) { return BinaryData::getNamedResource (identifier, sizeOut); },
                 embeddedPayloadPieces };
    }

    void replaceEmbeddedTable (const ResourceTable* replacement)
    {
        replacementTable = replacement;
    }

    juce::MemoryBlock getResource (const char* identifier)
    {
        int size = 0;

        if (const auto* data = BinaryData::getNamedResource (identifier, size); data != nullptr && size > 0)
            return { data, (size_t) size };

        return {};
    }

    juce::Image getImage (const char* identifier)
    {
        int size = 0;

        if (const auto* data = BinaryData::getNamedResource (identifier, size); data != nullptr && size > 0)
            return juce::ImageCache::getFromMemory (data, size);

        return {};
    }

    std::unique_ptr<juce::Drawable> getDrawable (const char* identifier)
    {
        int size = 0;

        if (const auto* data = BinaryData::getNamedResource (identifier, size); data != nullptr && size > 0)
            return juce::Drawable::createFromImageData (data, (size_t) size);

        return {};
    }

    juce::String manifestText()
    {
        const auto block = getResource ("Manifest_xml");
        return juce::String::fromUTF8 (static_cast<const char*> (block.getData()), (int) block.getSize());
    }

    juce::MemoryBlock registryIcon()
    {
        return getResource ("registry_ico");
    }
}
