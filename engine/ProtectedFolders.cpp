#include "ProtectedFolders.h"
#include "Platform.h"

namespace CorvoAudio
{
    namespace
    {
        juce::Array<juce::File> protectedFolders()
        {
            using platform::Folder;
            juce::Array<juce::File> folders;

            const auto add = [&folders] (const juce::File& folder)
            {
                if (folder != juce::File())
                    folders.addIfNotAlreadyThere (folder);
            };

            for (auto which : { Folder::programFiles, Folder::programFilesX86, Folder::commonAppData, Folder::windows,
                                Folder::system, Folder::userProfile, Folder::userAppData, Folder::localAppData,
                                Folder::desktop, Folder::documents })
                add (platform::getFolder (which));

            if (const auto profile = platform::getFolder (Folder::userProfile); profile != juce::File())
                add (profile.getParentDirectory());   // the folder of all user profiles

            for (const auto& folder : sharedPluginFolders())
                add (folder);

            // The folders that hold them.
            for (const auto& common : { juce::File ("C:\\Program Files\\Common Files"), juce::File ("C:\\Program Files (x86)\\Common Files"),
                                        platform::getFolder (Folder::commonFiles), platform::getFolder (Folder::commonFilesX86) })
                if (common != juce::File())
                    for (auto* shared : { "", "Avid", "Avid\\Audio", "Digidesign", "Digidesign\\DAE" })
                        add (juce::String (shared).isEmpty() ? common : common.getChildFile (shared));

            for (const auto& programs : { platform::getFolder (Folder::programFiles), platform::getFolder (Folder::programFilesX86) })
                if (programs != juce::File())
                    add (programs.getChildFile ("Steinberg"));

            return folders;
        }
    }

    juce::Array<juce::File> sharedPluginFolders()
    {
        using platform::Folder;
        juce::Array<juce::File> folders;

        // Below Common Files of both views, and below Program Files.
        for (const auto& common : { juce::File ("C:\\Program Files\\Common Files"), juce::File ("C:\\Program Files (x86)\\Common Files"),
                                    platform::getFolder (Folder::commonFiles), platform::getFolder (Folder::commonFilesX86) })
            if (common != juce::File())
                for (auto* shared : { "VST3", "VST2", "VST", "CLAP", "LV2", "Avid\\Audio\\Plug-Ins", "Digidesign\\DAE\\Plug-Ins" })
                    folders.addIfNotAlreadyThere (common.getChildFile (shared));

        for (const auto& programs : { platform::getFolder (Folder::programFiles), platform::getFolder (Folder::programFilesX86) })
            if (programs != juce::File())
                for (auto* shared : { "VSTPlugins", "Steinberg\\VSTPlugins", "VST3", "CLAP" })
                    folders.addIfNotAlreadyThere (programs.getChildFile (shared));

        return folders;
    }

    bool isProtectedFolder (const juce::File& folder)
    {
        auto path = folder.getFullPathName().replaceCharacter ('/', '\\');

        while (path.length() > 3 && path.endsWithChar ('\\'))
            path = path.dropLastCharacters (1);

        // A drive root or a share root.
        if (path.isEmpty() || path.length() <= 3 || folder.getParentDirectory() == folder)
            return true;

        for (const auto& candidate : protectedFolders())
            if (platform::isSamePath (candidate.getFullPathName(), path))
                return true;

        return false;
    }
}
