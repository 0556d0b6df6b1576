#pragma once

#include <juce_data_structures/juce_data_structures.h>
#include <juce_events/juce_events.h>

#include <atomic>
#include <memory>

/** Keeps a tree in a file: loads it at construction and writes it back on a thread of its own a
    short while after it changes (once per burst, at least every maxSaveDelayMs under a stream). */
class ValueTreeFile : public juce::ValueTree::Listener,
                      private juce::Timer,
                      private juce::Thread
{
public:
    ValueTreeFile (juce::ValueTree treeToKeep, const juce::File& fileToUse);
    ~ValueTreeFile() override;

    /** Writes the tree now, on the calling thread. */
    void saveNow();

    /** Replaces the tree's content with the file's. */
    void loadFromFile();

    /** Drops changes not yet written and waits for a write in progress, so that a file deleted
        next stays deleted. Later changes are recorded again. */
    void cancelPendingWrites();

    /** Stops keeping the tree: nothing is written from now on, and a file that only this object
        created is removed. For a run that works on a copy of the state and must not change it. */
    void detach();

    /** False once detached. */
    bool isKeeping() const                { return keeping; }

    const juce::File& getFile() const     { return file; }

    void valueTreePropertyChanged (juce::ValueTree&, const juce::Identifier&) override   { recordChange(); }
    void valueTreeChildAdded (juce::ValueTree&, juce::ValueTree&) override               { recordChange(); }
    void valueTreeChildRemoved (juce::ValueTree&, juce::ValueTree&, int) override        { recordChange(); }
    void valueTreeChildOrderChanged (juce::ValueTree&, int, int) override                { recordChange(); }
    void valueTreeParentChanged (juce::ValueTree&) override {}
    void valueTreeRedirected (juce::ValueTree&) override {}

    /** Decides what of the tree is written; everything by default. */
    virtual void copyForSaving (const juce::ValueTree& source, juce::ValueTree& snapshotTree);

    juce::uint32 saveDelayMs = 1000;
    juce::uint32 maxSaveDelayMs = 5000;

private:
    void recordChange();
    void timerCallback() override;
    void run() override;
    void write (const juce::ValueTree& treeToWrite);

    juce::ValueTree tree;
    juce::File file;
    juce::uint32 lastChangeTime = 0;
    juce::uint32 firstChangeTime = 0;
    bool loaded = false;
    bool createdFile = false;
    std::atomic<bool> keeping { true };
    juce::CriticalSection lock;
    std::unique_ptr<juce::ValueTree> snapshot;
    juce::WaitableEvent wakeUp;
    std::atomic<bool> loading { false };
    juce::CriticalSection writeLock;   // saveNow and the writer thread never write at the same time

    JUCE_DECLARE_NON_COPYABLE (ValueTreeFile)
};
