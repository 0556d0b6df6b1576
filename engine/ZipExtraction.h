#pragma once

#include <juce_core/juce_core.h>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace CorvoAudio
{

/** A zip archive whose entries are extracted with every write checked and every file verified
    against the size and CRC-32 recorded in the archive's central directory. */
class CheckedZipArchive final
{
public:
    /** Opens a new stream over the archive's bytes each time it is called. */
    using SourceOpener = std::function<std::unique_ptr<juce::InputStream>()>;

    /** Reads the archive from a stream that must outlive this object (not owned). */
    explicit CheckedZipArchive (juce::InputStream& source);
    /** Reads the archive from streams of its own: a new one for each entry, so that entries may
        be extracted on several threads at once, and for each entry read in place (see openEntry). */
    explicit CheckedZipArchive (SourceOpener openSource);
    /** Reads the archive from a file. */
    explicit CheckedZipArchive (const juce::File& file);

    int getNumEntries() const;
    /** The entry's name exactly as stored (backslashes kept). */
    juce::String getEntryName (int index) const;
    /** Index of the first entry whose stored name equals name exactly (case-sensitive), or -1. */
    int indexOfEntry (const juce::String& name) const;

    /** Extracts one entry below targetFolder, overwriting an existing file. Folders in the entry
        name ("\\" or "/" separated) are created. Fails, naming the file, when the entry would land
        outside targetFolder, a folder or the file cannot be created, any write fails, or the written
        file's size or CRC-32 differs from the central directory's record. Entries stored as
        symbolic links or lacking a usable directory record (damaged, ZIP64) are refused. */
    juce::Result extractEntry (int index, const juce::File& targetFolder) const;

    /** Reads one entry into memory (an inner archive, opened from there), checked against the
        size and CRC-32 of the central directory like a file. */
    juce::Result readEntry (int index, juce::MemoryBlock& content) const;

    /** Makes an opener for one entry's bytes (an inner archive), never holding it whole in
        memory: a stored entry is read in place, through streams of their own over the archive's
        bytes, once its size and CRC-32 are checked in one pass (this needs an archive made from a
        file or a SourceOpener). A deflated one is unpacked and checked first: in memory when
        small, else to a file in spillFolder that goes with the last copy of the opener. */
    juce::Result openEntry (int index, const juce::File& spillFolder, SourceOpener& opener) const;

private:
    /** What the central directory promises about one entry, and where its data is. */
    struct Record
    {
        juce::uint32 crc32 = 0;
        juce::int64 size = 0;
        int method = 0;
        juce::int64 compressedSize = 0;
        juce::int64 localHeader = 0;
    };

    void readRecords (juce::InputStream& source);

    /** The record of an entry that can be verified, and the entry named for messages. */
    juce::Result recordOf (int index, const Record*& record, juce::String& what) const;

    /** Writes one entry to the file, checked against its record. */
    juce::Result writeVerified (int index, const juce::File& file) const;

    SourceOpener openSource;
    mutable juce::ZipFile zip;
    std::vector<std::optional<Record>> records; // indexed like zip's entries; empty when unmatched

    JUCE_DECLARE_NON_COPYABLE (CheckedZipArchive)
};

} // namespace CorvoAudio
