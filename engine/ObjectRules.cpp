#include "ObjectRules.h"
#include "InstallerProcess.h"
#include "PathText.h"
#include "Platform.h"
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

    juce::String installedRelativePathOf (const ManifestObject& object)
    {
        const auto path = extensionOf (object.objectPath) == ".zip" ? object.objectPath.dropLastCharacters (4)
                                                                    : object.objectPath;
        juce::StringArray parts;
        parts.addTokens (path.replaceCharacter ('/', '\\'), "\\", {});

        if (parts.isEmpty() || ! isPlainName (object.objectPath.replaceCharacter ('/', '\\').fromLastOccurrenceOf ("\\", false, false)))
            return {};

        for (const auto& part : parts)
            if (! isPlainName (part))
                return {};

        return parts.joinIntoString ("\\");
    }

    juce::String installedNameOf (const ManifestObject& object)
    {
        return installedRelativePathOf (object).fromLastOccurrenceOf ("\\", false, false);
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
        const auto relative = installedRelativePathOf (object);

        if (folder == juce::File() || relative.isEmpty())
            return {};

        return folder.getChildFile (relative);
    }

    juce::String objectProblem (const ManifestObject& object)
    {
        if (installedRelativePathOf (object).isEmpty())
            return "its objectPath \"" + object.objectPath + "\" is not a relative path of plain file names";

        if (object.defaultInstallPath.isEmpty())
            return "it has no destination folder";

        if (destinationOf (object) == juce::File())
            return "its destination \"" + object.defaultInstallPath + "\" is not an absolute local folder";

        return {};
    }

    bool leavesSomethingToInstall (const std::vector<ManifestObject>& objects, const juce::StringArray& leftOutPaths)
    {
        const auto anyShown = std::any_of (objects.begin(), objects.end(), [] (const ManifestObject& o) { return o.visible; });

        return std::any_of (objects.begin(), objects.end(), [&] (const ManifestObject& o)
        {
            return (o.visible || ! anyShown) && ! (o.installationOptional && leftOutPaths.contains (o.objectPath));
        });
    }

    juce::String userFolderProblem (const juce::String& path)
    {
        if (! isLocalAbsolutePath (path))
            return "\"" + path + "\" is not an absolute folder on a local drive";

        // An install writes only <folder>\<object> and an uninstall removes only that (and the
        // folder when it is left empty and is not protected), so a shared plug-in folder, the
        // documents or ProgramData are as good a parent as any. What stays refused is a folder
        // whose children are the system's or other users': a drive, Windows, the Program Files
        // roots, the profiles.
        using platform::Folder;
        const juce::File folder (path.replaceCharacter ('/', '\\'));
        const auto quoted = "\"" + path + "\"";

        if (folder.getParentDirectory() == folder || path.trimCharactersAtEnd ("\\/").length() <= 2)
            return quoted + " is the root of a drive";

        const auto same = [] (const juce::File& a, const juce::File& b)
        {
            return a != juce::File() && b != juce::File() && platform::isSamePath (a.getFullPathName(), b.getFullPathName());
        };

        if (const auto windows = platform::getFolder (Folder::windows); windows != juce::File())
            for (auto walk = folder; walk.getParentDirectory() != walk; walk = walk.getParentDirectory())
                if (same (walk, windows))
                    return quoted + (same (folder, windows) ? " is the Windows folder" : " is inside the Windows folder");

        for (const auto& programs : { platform::getFolder (Folder::programFiles), platform::getFolder (Folder::programFilesX86),
                                      juce::File ("C:\\Program Files"), juce::File ("C:\\Program Files (x86)") })
            if (same (folder, programs))
                return quoted + " is a Program Files folder itself; choose or make a folder inside it";

        if (const auto profile = platform::getFolder (Folder::userProfile); profile != juce::File())
        {
            const auto profiles = profile.getParentDirectory();

            if (same (folder, profiles))
                return quoted + " is the folder of all user profiles";

            if (same (folder.getParentDirectory(), profiles))
                return quoted + " is a user's profile folder; choose or make a folder inside it";
        }

        return {};
    }
}
