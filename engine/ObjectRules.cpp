#include "ObjectRules.h"
#include "InstallerProcess.h"
#include "PathText.h"
#include "ProtectedFolders.h"

namespace CorvoAudio
{
    bool isPlainName (const juce::String& name)
    {
        if (name.isEmpty() || name.containsOnly (". "))
            return false;

        // Windows trims trailing dots and blanks, so "x.vst3 " would name another file than written.
        if (name.endsWithChar ('.') || name.endsWithChar (' '))
            return false;

        for (auto c : name)
            if (c < 32 || juce::String ("\\/:*?\"<>|").containsChar (c))
                return false;

        return true;
    }

    juce::String installedNameOf (const ManifestObject& object)
    {
        if (! isPlainName (object.objectPath))
            return {};

        const auto name = extensionOf (object.objectPath) == ".zip" ? object.objectPath.dropLastCharacters (4)
                                                                    : object.objectPath;
        return isPlainName (name) ? name : juce::String();
    }

    bool isLocalAbsolutePath (const juce::String& path)
    {
        const auto text = path.replaceCharacter ('/', '\\');

        if (text.length() < 3 || ! juce::CharacterFunctions::isLetter (text[0]) || text[1] != ':' || text[2] != '\\')
            return false;

        juce::StringArray parts;
        parts.addTokens (text.substring (3), "\\", {});

        for (const auto& part : parts)
            if (part == "." || part == ".." || part.containsChar (':'))
                return false;

        return true;
    }

    juce::File destinationOf (const ManifestObject& object)
    {
        auto path = object.defaultInstallPath;
        resolvePathPlaceholders (path);

        if (! isLocalAbsolutePath (path))
            return {};

        return juce::File (path.replaceCharacter ('/', '\\'));
    }

    juce::File installedPathOf (const ManifestObject& object)
    {
        const auto folder = destinationOf (object);
        const auto name = installedNameOf (object);

        if (folder == juce::File() || name.isEmpty())
            return {};

        return folder.getChildFile (name);
    }

    juce::String objectProblem (const ManifestObject& object)
    {
        if (installedNameOf (object).isEmpty())
            return "its objectPath \"" + object.objectPath + "\" is not one plain file name";

        if (object.defaultInstallPath.isEmpty())
            return "it has no destination folder";

        if (destinationOf (object) == juce::File())
            return "its destination \"" + object.defaultInstallPath + "\" is not an absolute local folder";

        return {};
    }

    juce::String userFolderProblem (const juce::String& path)
    {
        if (! isLocalAbsolutePath (path))
            return "\"" + path + "\" is not an absolute folder on a local drive";

        if (isProtectedFolder (juce::File (path.replaceCharacter ('/', '\\'))))
            return "\"" + path + "\" is a folder of the system or a shared folder, which cannot be chosen itself";

        return {};
    }
}
