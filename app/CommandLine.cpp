#include "CommandLine.h"

namespace CorvoAudio
{
    juce::StringArray splitArguments (const juce::String& commandLine)
    {
        juce::StringArray arguments;
        juce::String current;
        auto inArgument = false, quoted = false;
        auto p = commandLine.getCharPointer();

        while (! p.isEmpty())
        {
            const auto c = *p;

            if ((c == ' ' || c == '\t') && ! quoted)
            {
                if (inArgument)
                    arguments.add (current);

                current.clear();
                inArgument = false;
                ++p;
                continue;
            }

            inArgument = true;

            if (c == '\\')
            {
                int backslashes = 0;

                while (*p == '\\')
                {
                    ++backslashes;
                    ++p;
                }

                if (*p == '"')
                {
                    // 2n backslashes and a quote: n backslashes, and the quote opens or closes;
                    // 2n + 1: n backslashes and a quote in the text.
                    current << juce::String::repeatedString ("\\", backslashes / 2);

                    if (backslashes % 2 != 0)
                    {
                        current << '"';
                        ++p;
                    }
                }
                else
                {
                    current << juce::String::repeatedString ("\\", backslashes);
                }

                continue;
            }

            if (c == '"')
            {
                // Inside quotes, "" is one quote in the text.
                ++p;

                if (quoted && *p == '"')
                {
                    current << '"';
                    ++p;
                }
                else
                {
                    quoted = ! quoted;
                }

                continue;
            }

            current << juce::String::charToString (c);
            ++p;
        }

        if (inArgument)
            arguments.add (current);

        return arguments;
    }

    juce::String quoteArgument (const juce::String& argument)
    {
        if (argument.isNotEmpty() && ! argument.containsAnyOf (" \t\""))
            return argument;

        juce::String text ("\"");
        int backslashes = 0;

        for (auto c : argument)
        {
            if (c == '\\')
            {
                ++backslashes;
                continue;
            }

            if (c == '"')
                text << juce::String::repeatedString ("\\", backslashes * 2 + 1) << '"';
            else
                text << juce::String::repeatedString ("\\", backslashes) << juce::String::charToString (c);

            backslashes = 0;
        }

        return text + juce::String::repeatedString ("\\", backslashes * 2) + "\"";
    }

    namespace
    {
        juce::StringArray listOf (const juce::String& value)
        {
            juce::StringArray items;
            items.addTokens (value, ",", {});
            items.trim();
            items.removeEmptyStrings();
            return items;
        }

        /** A folder as written on a command line; a quote in it means the closing quote was escaped
            ("D:\Presets\" reads as D:\Presets" and takes what follows along). */
        juce::String folderProblem (const juce::String& option, const juce::String& folder)
        {
            if (folder.containsChar ('"'))
                return option + " " + folder.quoted() + " holds a quote: end a quoted folder without a backslash, as in "
                       + option + "=\"D:\\Plug-Ins\"";

            if (folder.trim().isEmpty())
                return option + " names no folder";

            return {};
        }

        CommandLine::Mode modeNamed (const juce::String& word)
        {
            if (word == "install")    return CommandLine::Mode::install;
            if (word == "repair")     return CommandLine::Mode::repair;
            if (word == "modify")     return CommandLine::Mode::modify;
            if (word == "uninstall")  return CommandLine::Mode::uninstall;
            return CommandLine::Mode::none;
        }

        juce::String modeSwitch (CommandLine::Mode mode)
        {
            switch (mode)
            {
                case CommandLine::Mode::install:   return "--install";
                case CommandLine::Mode::repair:    return "--repair";
                case CommandLine::Mode::modify:    return "--modify";
                case CommandLine::Mode::uninstall: return "--uninstall";
                case CommandLine::Mode::none:      break;
            }

            return {};
        }
    }

    CommandLine CommandLine::parse (const juce::String& text)
    {
        CommandLine line;

        const auto fail = [&line] (const juce::String& problem)
        {
            if (line.problem.isEmpty())
                line.problem = problem;
        };

        const auto setMode = [&line, &fail] (Mode mode, const juce::String& argument)
        {
            if (line.mode != Mode::none && line.mode != mode)
                fail ("Choose one mode: " + argument + " contradicts " + modeSwitch (line.mode));

            line.mode = mode;
        };

        for (const auto& argument : splitArguments (text))
        {
            const auto name = argument.upToFirstOccurrenceOf ("=", false, false);
            const auto hasValue = argument.containsChar ('=');
            const auto value = argument.fromFirstOccurrenceOf ("=", false, false);

            if (argument == "--headless")                        line.headless = true;
            else if (argument == "--help" || argument == "/?")   line.help = true;
            else if (argument == "--elevated")                   line.elevated = true;
            else if (argument == "--install")                    setMode (Mode::install, argument);
            else if (argument == "--repair")                     setMode (Mode::repair, argument);
            else if (argument == "--modify")                     setMode (Mode::modify, argument);
            else if (argument == "--uninstall")                  setMode (Mode::uninstall, argument);
            else if (name == "--mode" && hasValue)
            {
                if (const auto mode = modeNamed (value); mode != Mode::none)
                    setMode (mode, argument);
                else
                    fail ("Unknown mode " + value.quoted() + ": use --mode=install, --mode=repair or --mode=uninstall");
            }
            else if (name == "--components" && hasValue)
            {
                if (line.components.has_value())
                    fail ("--components is given twice");

                line.components = listOf (value);
            }
            else if (name == "--uninstall-options" && hasValue)
            {
                line.uninstallOptions = listOf (value);
            }
            else if (name == "--dir" && hasValue)
            {
                if (const auto problem = folderProblem ("--dir", value); problem.isNotEmpty())
                    fail (problem);

                line.folder = value.trim();
            }
            else if (name.startsWith ("--dir:") && hasValue)
            {
                const auto object = name.substring (6).trim();

                if (object.isEmpty())
                    fail (argument.quoted() + " names no component: write --dir:<component>=<folder>");
                else if (const auto problem = folderProblem ("--dir:" + object, value); problem.isNotEmpty())
                    fail (problem);
                else
                    line.folderOf[object] = value.trim();
            }
            else if (name == "--log" && hasValue)
            {
                if (value.trim().isEmpty() || value.containsChar ('"'))
                    fail ("--log needs the path of a file, as in --log=\"C:\\Logs\\install.log\"");
                else
                    line.logFile = juce::File::getCurrentWorkingDirectory().getChildFile (value.trim()).getFullPathName();
            }
            else
            {
                fail ("Unknown argument " + argument.quoted() + ".");
            }
        }

        return line;
    }

    juce::StringArray CommandLine::toArguments() const
    {
        juce::StringArray arguments;

        if (mode != Mode::none)
            arguments.add (modeSwitch (mode));

        if (headless)
            arguments.add ("--headless");

        if (elevated)
            arguments.add ("--elevated");

        if (components.has_value())
            arguments.add ("--components=" + components->joinIntoString (","));

        if (folder.has_value())
            arguments.add ("--dir=" + *folder);

        for (const auto& [object, path] : folderOf)
            arguments.add ("--dir:" + object + "=" + path);

        if (uninstallOptions.has_value())
            arguments.add ("--uninstall-options=" + uninstallOptions->joinIntoString (","));

        if (logFile.isNotEmpty())
            arguments.add ("--log=" + logFile);

        juce::StringArray quoted;

        for (const auto& argument : arguments)
            quoted.add (quoteArgument (argument));

        return quoted;
    }

    juce::String helpText (const juce::String& appName)
    {
        juce::String text;
        text << "Installs or uninstalls " << appName << ".\n"
             << "\n"
             << "Installer.exe [--install | --uninstall] [--headless] [--components=<name>[,<name>...]]\n"
             << "              [--dir=<folder>] [--dir:<name>=<folder>] [--uninstall-options=<id>[,<id>...]]\n"
             << "              [--log=<file>]\n"
             << "\n"
             << "  --headless             No window: the run reports through its output and exit code.\n"
             << "                         Needs administrator rights.\n"
             << "  --install, --repair    Install (the default), or install again over what is there.\n"
             << "  --uninstall            Remove what the installer installed.\n"
             << "  --components=<names>   Install only these components (their names as the installer\n"
             << "                         shows them, separated by commas); those that cannot be left out\n"
             << "                         are always installed.\n"
             << "  --dir=<folder>         The folder of the components whose folder may be chosen;\n"
             << "                         --dir:<name>=<folder> sets the folder of one of them.\n"
             << "  --uninstall-options=<ids>  With --uninstall: what else to remove.\n"
             << "  --log=<file>           Also write every line of the run to this file (appended, UTF-8).\n"
             << "  --help                 This text.\n"
             << "\n"
             << "Without --headless the window opens with these choices already made.\n"
             << "Quote what holds blanks: --dir=\"D:\\Audio Plug-Ins\".\n"
             << "\n"
             << "Exit codes:\n"
             << "     0  Finished.\n"
             << "     1  Administrator rights are needed (a headless run never asks for them).\n"
             << "     2  Modify mode was requested, which a headless run does not support.\n"
             << "     3  Another installer of " << appName << " is running.\n"
             << "     9  Finished with errors (the output names them); or files are in use, and nothing\n"
             << "        was changed; or, for --uninstall, the product is not installed.\n"
             << "    87  An argument is not understood or not allowed; nothing was changed.\n"
             << "  1223  The request for administrator rights was declined; nothing was changed.\n"
             << "  3010  Finished; Windows must restart to remove what was in use.\n";
        return text;
    }
}
