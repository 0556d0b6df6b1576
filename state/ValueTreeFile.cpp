#include "ValueTreeFile.h"
#include "Identifiers.h"

ValueTreeFile::ValueTreeFile (juce::ValueTree treeToKeep, const juce::File& fileToUse)
    : juce::Thread ("ValueTreeFile"), tree (treeToKeep), file (fileToUse)
{
    if (file.getFullPathName().isEmpty() || ! file.exists())
    {
        saveNow();
        createdFile = file.existsAsFile();
    }

    startThread();
    loaded = true;
    tree.addListener (this);
    loadFromFile();
}

ValueTreeFile::~ValueTreeFile()
{
    signalThreadShouldExit();
    wakeUp.signal();
    stopThread (5000);
    stopTimer();
    tree.removeListener (this);
}

void ValueTreeFile::saveNow()
{
    write (tree);
}

void ValueTreeFile::loadFromFile()
{
    if (file.getFullPathName().isEmpty() || ! file.exists())
        return;

    loading = true;

    if (juce::FileInputStream input (file); input.openedOk())
        tree.copyPropertiesAndChildrenFrom (juce::ValueTree::readFromStream (input), nullptr);
    else
        tree.copyPropertiesAndChildrenFrom (juce::ValueTree(), nullptr);

    loading = false;
}

void ValueTreeFile::cancelPendingWrites()
{
    stopTimer();
    firstChangeTime = 0;

    {
        const juce::ScopedLock scopedLock (lock);
        snapshot.reset();
    }

    const juce::ScopedLock scopedLock (writeLock);
}

void ValueTreeFile::detach()
{
    tree.removeListener (this);
    keeping = false;
    cancelPendingWrites();

    if (createdFile)
        file.deleteFile();
}

void ValueTreeFile::copyForSaving (const juce::ValueTree& source, juce::ValueTree& snapshotTree)
{
    snapshotTree.copyPropertiesAndChildrenFrom (source, nullptr);
}

void ValueTreeFile::recordChange()
{
    if (! loaded || loading)
        return;

    const auto now = juce::Time::getMillisecondCounter();

    if (firstChangeTime == 0)
    {
        startTimer ((int) saveDelayMs / 2);
        firstChangeTime = now;
    }

    lastChangeTime = now;
}

void ValueTreeFile::timerCallback()
{
    const auto now = juce::Time::getMillisecondCounter();

    if (now - lastChangeTime < saveDelayMs && now - firstChangeTime < maxSaveDelayMs)
        return;

    const juce::ScopedLock scopedLock (lock);

    if (snapshot != nullptr)
        return;   // the writer is still busy with the previous one; try again on the next tick

    stopTimer();
    snapshot = std::make_unique<juce::ValueTree> (Ids::Transfer);
    copyForSaving (tree, *snapshot);
    wakeUp.signal();
    firstChangeTime = 0;
}

void ValueTreeFile::run()
{
    while (! threadShouldExit())
    {
        wakeUp.wait (-1);

        // The snapshot is taken with the write lock held: a cancellation that waits for the lock
        // either finds the snapshot still queued and drops it, or waits for this write to end.
        // A snapshot taken before and written after a cancellation would bring a deleted file back.
        const juce::ScopedLock writing (writeLock);
        std::unique_ptr<juce::ValueTree> taken;

        {
            const juce::ScopedLock scopedLock (lock);
            taken = std::move (snapshot);
        }

        if (taken != nullptr)
            write (*taken);
    }
}

void ValueTreeFile::write (const juce::ValueTree& treeToWrite)
{
    const juce::ScopedLock scopedLock (writeLock);

    if (file.getFullPathName().isEmpty() || ! keeping)
        return;

    // The new content goes to a file beside the target, which then replaces the target in one
    // step: a crash or a kill in between leaves either the old state or the new, never none.
    file.getParentDirectory().createDirectory();
    juce::TemporaryFile temporary (file, juce::TemporaryFile::useHiddenFile);

    {
        juce::FileOutputStream output (temporary.getFile(), 16384);

        if (! output.openedOk())
            return;

        treeToWrite.writeToStream (output);
        output.flush();

        if (output.getStatus().failed())
            return;
    }

    temporary.overwriteTargetFileWithTemporary();
}
