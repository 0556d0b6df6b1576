#include "FilesInUseMessage.h"

namespace Installer
{
    juce::String filesInUseMessage (const juce::String& appName, const std::vector<CorvoAudio::FileInUse>& files, bool uninstall)
    {
        juce::StringArray programs, unnamed;

        for (const auto& file : files)
        {
            if (file.programs.isEmpty())
                unnamed.add (file.file.getFullPathName());

            for (const auto& program : file.programs)
                programs.addIfNotAlreadyThere (program);
        }

        // A bundle of many files in use is still a few lines: the rest is counted.
        const auto listed = [] (const juce::StringArray& lines)
        {
            constexpr int shown = 6;
            juce::StringArray text;
            text.addArray (lines, 0, shown);

            if (lines.size() > shown)
                text.add ("and " + juce::String (lines.size() - shown) + " more");

            return text.joinIntoString ("\n");
        };

        juce::String text = appName + (uninstall ? " cannot be removed" : " cannot be installed") + " while ";

        if (! programs.isEmpty())
            text << (programs.size() == 1 ? "this program uses its files:" : "these programs use its files:") << "\n\n" << listed (programs);

        if (! unnamed.isEmpty())
            text << (programs.isEmpty() ? "" : "\n\nand while ") << (unnamed.size() == 1 ? "this file is in use:" : "these files are in use:")
                 << "\n\n" << listed (unnamed);

        const auto closing = programs.isEmpty() ? (unnamed.size() == 1 ? "Close the program that uses it" : "Close the programs that use them")
                                                : (programs.size() == 1 ? "Close this program" : "Close these programs");
        text << "\n\n" << closing << ", then press Retry. Nothing has been changed.";
        return text;
    }

    std::unique_ptr<juce::AlertWindow> createFilesInUseAlert (const juce::String& appName,
                                                              const std::vector<CorvoAudio::FileInUse>& files, bool uninstall)
    {
        auto alert = std::make_unique<juce::AlertWindow> (filesInUseTitle, filesInUseMessage (appName, files, uninstall),
                                                          juce::MessageBoxIconType::WarningIcon);
        alert->addButton ("Retry", 1, juce::KeyPress (juce::KeyPress::returnKey));
        alert->addButton ("Cancel", 0, juce::KeyPress (juce::KeyPress::escapeKey));
        return alert;
    }
}
