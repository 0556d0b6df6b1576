#include "ManifestProperties.h"
#include "Identifiers.h"

#include "EmbeddedResources.h"
#include "Platform.h"

juce::CriticalSection manifestLock;

bool manifestBool (const juce::var& value)
{
    const auto text = value.toString();

    if (text.getIntValue() != 0)
        return true;

    const auto trimmed = text.trim();
    return trimmed.equalsIgnoreCase ("true") || trimmed.equalsIgnoreCase ("yes");
}

int manifestInt (const juce::var& value)
{
    return value.toString().getIntValue();
}

juce::StringArray splitManifestList (const juce::String& text)
{
    juce::StringArray pieces;
    pieces.addTokens (text, ",;", {});
    pieces.trim();
    pieces.removeEmptyStrings();
    return pieces;
}

ManifestProperties::ManifestProperties (bool loadEmbedded)
    : ValueTreeWrapper (Ids::Manifest)
{
    const juce::ScopedLock lock (manifestLock);

    if (loadEmbedded)
    {
        const auto text = resources::manifestText();
        platform::writeLine (text);
        setTree (parse (text), false);
    }
}

juce::ValueTree ManifestProperties::parse (const juce::String& xmlText)
{
    if (auto xml = juce::XmlDocument::parse (xmlText))
        return juce::ValueTree::fromXml (*xml);

    return {};
}

juce::String ManifestProperties::getAppName() const       { return getString (Ids::AppName); }
juce::String ManifestProperties::getAppVersion() const    { return getString (Ids::AppVersion); }
juce::String ManifestProperties::getCompanyName() const   { return getString (Ids::CompanyName); }
int ManifestProperties::getVersionNumber() const          { return packVersion (getAppVersion()); }

int ManifestProperties::packVersion (const juce::String& version)
{
    const auto pieces = splitManifestList (juce::String (version).replaceCharacter ('.', ','));
    const auto piece = [&pieces] (int index) { return index < pieces.size() ? pieces[index].getIntValue() : 0; };

    auto number = piece (0) * 65536 + piece (1) * 256 + piece (2);

    if (pieces.size() > 3)
        number = number * 256 + piece (3);

    return number;
}

ManifestObject ManifestProperties::readObject (const juce::ValueTree& object)
{
    const auto text = [&object] (const juce::Identifier& id) { return object.getProperty (id).toString(); };
    const auto flag = [&object] (const juce::Identifier& id) { return manifestBool (object.getProperty (id)); };

    ManifestObject record;
    record.objectName = text (Ids::objectName);
    record.objectPath = text (Ids::objectPath);
    record.isMainApplication = flag (Ids::isMainApplication);
    record.isUninstaller = flag (Ids::isUninstaller);
    record.visible = flag (Ids::visible);
    record.allowUserPath = flag (Ids::allowUserPath);
    record.installationOptional = flag (Ids::installationOptional);
    record.defaultSelection = flag (Ids::defaultSelection);
    record.defaultInstallPath = text (Ids::defaultInstallPath);
    record.runPostInstall = flag (Ids::runPostInstall);
    record.postInstallArgs = text (Ids::postInstallArgs);
    record.preventUninstall = flag (Ids::preventUninstall);
    record.createUninstallBatScript = flag (Ids::createUninstallBatScript);
    record.uninstallOptionId = text (Ids::uninstallOptionId);
    record.uninstallOptionLabel = text (Ids::uninstallOptionLabel);
    record.uninstallOptionDefaultSelection = flag (Ids::uninstallOptionDefaultSelection);
    record.uninstallOptionRequires = splitManifestList (text (Ids::uninstallOptionRequires));
    record.uninstallOrder = object.hasProperty (Ids::uninstallOrder) ? manifestInt (object.getProperty (Ids::uninstallOrder)) : 1000;
    record.runPreUninstall = flag (Ids::runPreUninstall);
    record.preUninstallArgs = text (Ids::preUninstallArgs);
    return record;
}

std::vector<ManifestObject> ManifestProperties::getObjects() const
{
    const juce::ScopedLock lock (manifestLock);
    std::vector<ManifestObject> objects;

    const auto list = tree.getChildWithName (Ids::Objects);

    for (const auto& object : list)
        objects.push_back (readObject (object));

    return objects;
}

void ManifestProperties::setObjectInstallPath (const juce::String& objectPath, const juce::String& path)
{
    const juce::ScopedLock lock (manifestLock);
    auto list = tree.getChildWithName (Ids::Objects);

    for (auto object : list)
    {
        if (object.getProperty (Ids::objectPath).toString() == objectPath)
        {
            object.setProperty (Ids::defaultInstallPath, path, nullptr);
            return;
        }
    }
}

void ManifestProperties::removeObject (const juce::String& objectPath)
{
    const juce::ScopedLock lock (manifestLock);
    auto list = tree.getChildWithName (Ids::Objects);

    for (int i = list.getNumChildren(); --i >= 0;)
        if (list.getChild (i).getProperty (Ids::objectPath).toString() == objectPath)
            list.removeChild (i, nullptr);
}
