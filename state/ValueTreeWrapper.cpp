#include "ValueTreeWrapper.h"

ValueTreeWrapper::ValueTreeWrapper (const juce::Identifier& treeType)
    : type (treeType)
{
}

ValueTreeWrapper::ValueTreeWrapper (const ValueTreeWrapper& other)
    : juce::ValueTree::Listener(), tree (other.tree), type (other.type), listening (other.listening)
{
}

ValueTreeWrapper::~ValueTreeWrapper()
{
    if (listening)
        tree.removeListener (this);
}

void ValueTreeWrapper::setTree (juce::ValueTree treeToView, bool createIfMissing)
{
    if (treeToView.isValid())
    {
        if (treeToView.hasType (type))
        {
            tree = treeToView;
            treeAttached();
            return;
        }

        if (auto child = treeToView.getChildWithName (type); child.isValid())
        {
            tree = child;
            treeAttached();
            return;
        }

        if (createIfMissing)
        {
            tree = juce::ValueTree (type);
            initialiseDefaults();
            treeToView.appendChild (tree, nullptr);
        }

        return;
    }

    if (createIfMissing)
    {
        tree = juce::ValueTree (type);
        initialiseDefaults();
    }
}

void ValueTreeWrapper::startListening()
{
    listeningChanged (true);
    listening = true;
    tree.addListener (this);
}

bool ValueTreeWrapper::getBool (const juce::Identifier& id) const            { return tree.getProperty (id); }
int ValueTreeWrapper::getInt (const juce::Identifier& id) const              { return tree.getProperty (id); }
juce::String ValueTreeWrapper::getString (const juce::Identifier& id) const  { return tree.getProperty (id).toString(); }

void ValueTreeWrapper::setInt (int value, const juce::Identifier& id)
{
    tree.setPropertyExcludingListener (this, id, value, nullptr);
}

void ValueTreeWrapper::setString (const juce::String& value, const juce::Identifier& id)
{
    tree.setPropertyExcludingListener (this, id, value, nullptr);
}

void ValueTreeWrapper::setBool (bool value, const juce::Identifier& id, bool notifySelf)
{
    if (notifySelf)
        tree.setProperty (id, value, nullptr);
    else
        tree.setPropertyExcludingListener (this, id, value, nullptr);
}
