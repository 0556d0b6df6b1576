#include "ProtectedFolders.h"
#include "Platform.h"

namespace CorvoAudio
{
    namespace
    {
        juce::String comparable (const juce::File& folder)
        {
            auto path = folder.getFullPathName().replaceCharacter ('/', '\\');

            while (path.length() > 3 && path.endsWithChar ('\\'))
                path = path.dropLastCharacters (1);

            return path.toLowerCase();
        }

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

            // The shared plug-in folders, below Common Files of both views and below Program Files.
            juce::Array<juce::File> commonFiles { juce::File ("C:\\Program Files\\Common Files"),
                                                  juce::File ("C:\\Program Files (x86)\\Common Files") };
            commonFiles.addIfNotAlreadyThere (platform::getFolder (Folder::commonFiles));
            commonFiles.addIfNotAlreadyThere (platform::getFolder (Folder::commonFilesX86));

            for (const auto& common : commonFiles)
            {
                if (common == juce::File())
                    continue;

                add (common);

                for (auto* shared : { "VST3", "VST2", "VST", "CLAP", "LV2", "Avid", "Avid\\Audio", "Avid\\Audio\\Plug-Ins",
                                      "Digidesign", "Digidesign\\DAE", "Digidesign\\DAE\\Plug-Ins" })
                    add (common.getChildFile (shared));
            }

            for (const auto& programs : { platform::getFolder (Folder::programFiles), platform::getFolder (Folder::programFilesX86) })
            {
                if (programs == juce::File())
                    continue;

                for (auto* shared : { "VSTPlugins", "Steinberg", "Steinberg\\VSTPlugins", "VST3", "CLAP" })
                    add (programs.getChildFile (shared));
            }

            return folders;
        }
    }

    bool isProtectedFolder (const juce::File& folder)
    {
        const auto path = comparable (folder);

        // A drive root or a share root.
        if (path.isEmpty() || path.length() <= 3 || folder.getParentDirectory() == folder)
            return true;

        for (const auto& candidate : protectedFolders())
            if (comparable (candidate) == path)
                return true;

        return false;
    }
}
