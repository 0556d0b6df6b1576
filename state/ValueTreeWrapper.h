#pragma once

#include <juce_data_structures/juce_data_structures.h>

/** A typed view on one tree type: one getter and setter per property, the defaults of a tree it
    creates, and the tree's change notifications turned into callbacks by subclasses. */
class ValueTreeWrapper : public juce::ValueTree::Listener
{
public:
    explicit ValueTreeWrapper (const juce::Identifier& treeType);
    ValueTreeWrapper (const ValueTreeWrapper& other);
    ~ValueTreeWrapper() override;

    /** Views tree itself when it has this view's type, otherwise its first child of that type.
        With createIfMissing a missing tree is created with the defaults (and appended to tree when
        tree is valid). */
    void setTree (juce::ValueTree treeToView, bool createIfMissing);

    juce::ValueTree getTree() const     { return tree; }
    void startListening();

    bool getBool (const juce::Identifier& id) const;
    int getInt (const juce::Identifier& id) const;
    juce::String getString (const juce::Identifier& id) const;

    /** The setters notify the tree's other listeners, and only when the value changed. */
    void setInt (int value, const juce::Identifier& id);
    void setString (const juce::String& value, const juce::Identifier& id);
    void setBool (bool value, const juce::Identifier& id, bool notifySelf);

    void valueTreePropertyChanged (juce::ValueTree&, const juce::Identifier&) override {}
    void valueTreeChildAdded (juce::ValueTree&, juce::ValueTree&) override {}
    void valueTreeChildRemoved (juce::ValueTree&, juce::ValueTree&, int) override {}
    void valueTreeChildOrderChanged (juce::ValueTree&, int, int) override {}
    void valueTreeParentChanged (juce::ValueTree&) override {}
    void valueTreeRedirected (juce::ValueTree&) override {}

    /** Writes the default properties into a tree this view has just created. */
    virtual void initialiseDefaults() = 0;
    virtual void treeAttached() {}
    virtual void listeningChanged (bool) {}

protected:
    juce::ValueTree tree;
    juce::Identifier type;
    bool listening = false;
};
