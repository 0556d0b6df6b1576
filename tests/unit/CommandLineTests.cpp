#include "AppInstaller.h"
#include "CommandLine.h"
#include "ManifestProperties.h"
#include "PendingChoices.h"
#include "TestHelpers.h"

#include <gtest/gtest.h>

using namespace CorvoAudio;

TEST (CommandLine, ArgumentsSplitAsCreateProcessPassesThem)
{
    struct Case { const char* text; std::vector<const char*> arguments; };

    const Case cases[] = {
        { "", {} },
        { "  --headless \t --install ", { "--headless", "--install" } },
        { "--dir=\"D:\\Audio Plug-Ins\" --log=x", { "--dir=D:\\Audio Plug-Ins", "--log=x" } },
        { "\"--dir=D:\\Audio Plug-Ins\"", { "--dir=D:\\Audio Plug-Ins" } },
        { "--dir=C:\\Program\" \"Files\\X", { "--dir=C:\\Program Files\\X" } },
        { "a\\\\\\\"b", { "a\\\"b" } },                  // 2n+1 backslashes and a quote: n and the quote
        { "\"a\\\\\" b", { "a\\", "b" } },               // 2n backslashes and a quote: n, and it closes
        { "C:\\path\\ x", { "C:\\path\\", "x" } },       // backslashes alone stay as they are
        { "\"say \"\"hi\"\"\"", { "say \"hi\"" } },
        { "--dir=\"D:\\Presets\\\" --log=x", { "--dir=D:\\Presets\" --log=x" } },   // the classic slip
    };

    for (const auto& c : cases)
    {
        juce::StringArray expected;

        for (auto* argument : c.arguments)
            expected.add (argument);

        EXPECT_EQ (splitArguments (c.text), expected) << c.text;
    }

    // Whatever an argument holds, quoting it gives it back whole.
    for (const juce::String& argument : { juce::String ("plain"), juce::String(), juce::String ("with blank"),
                                         juce::String ("D:\\Audio Plug-Ins\\"), juce::String ("quote \" inside"),
                                         juce::String ("ends in \\\\"), juce::String ("--dir:Ondra Tool=C:\\Program Files (x86)\\Ondra"),
                                         juce::String::fromUTF8 ("Gr\xc3\xbc\xc3\x9f""e ~ & | ^ %PATH%") })
    {
        const auto line = quoteArgument (argument) + " " + quoteArgument ("next");
        EXPECT_EQ (splitArguments (line), juce::StringArray (argument, "next")) << line;
    }
}

TEST (CommandLine, SwitchesAndTheirMistakes)
{
    struct Case { const char* text; const char* problem; };

    const Case cases[] = {
        { "--headless --uninstall --uninstall-options=presets,everything --log=C:\\Logs\\u.log", "" },
        { "--components=\"A, B\" --dir=D:\\X \"--dir:Ondra Tool=E:\\T\"", "" },
        { "--mode=repair", "" },
        { "--uninstallation-please", "Unknown argument \"--uninstallation-please\"." },
        { "/S", "Unknown argument \"/S\"." },
        { "--headless --silent", "Unknown argument \"--silent\"." },
        { "--mode=sideways", "Unknown mode \"sideways\"" },
        { "--install --uninstall", "Choose one mode: --uninstall contradicts --install" },
        { "--components=A --components=B", "--components is given twice" },
        { "--dir=", "--dir names no folder" },
        { "--dir=\"D:\\Presets\\\" --headless", "holds a quote: end a quoted folder without a backslash" },
        { "--dir:=D:\\X", "names no component" },
        { "--log=", "--log needs the path of a file" },
    };

    for (const auto& c : cases)
    {
        const auto line = CommandLine::parse (c.text);

        if (juce::String (c.problem).isEmpty())
            EXPECT_EQ (line.problem, "") << c.text;
        else
            EXPECT_TRUE (line.problem.contains (c.problem)) << c.text << ": " << line.problem;
    }

    const auto line = CommandLine::parse ("--components=\"A, B\" --dir=D:\\X \"--dir:Ondra Tool=E:\\T\" --log=rel\\u.log");
    EXPECT_EQ (*line.components, juce::StringArray ("A", "B"));
    EXPECT_EQ (*line.folder, "D:\\X");
    EXPECT_EQ (line.folderOf.at ("Ondra Tool"), "E:\\T");
    EXPECT_TRUE (juce::File::isAbsolutePath (line.logFile)) << "the elevated copy starts elsewhere";
    EXPECT_TRUE (line.logFile.endsWith ("rel\\u.log")) << line.logFile;

    // What the elevated copy gets back reads as the same.
    const auto again = CommandLine::parse (line.toArguments().joinIntoString (" "));
    EXPECT_EQ (*again.components, *line.components);
    EXPECT_EQ (again.folderOf, line.folderOf);
    EXPECT_EQ (again.logFile, line.logFile);
}

namespace
{
    juce::ValueTree fixtureManifest (const char* name)
    {
        return ManifestProperties::parse (juce::File (INSTALLER_FIXTURES_DIR).getChildFile (name).getChildFile ("Manifest.xml")
                                              .loadFileAsString());
    }
}

TEST (CommandLine, ChoicesAreCheckedAgainstTheManifest)
{
    // Tool (its own folder, required), Presets, VST3, a hidden uninstaller; and a product with options.
    ManifestProperties suite (false), options (false), demo (false);
    suite.setTree (fixtureManifest ("three-objects"), false);
    demo.setTree (ManifestProperties::parse (juce::File (INSTALLER_PRODUCT_DIR).getChildFile ("Manifest.xml").loadFileAsString()), false);
    options.setTree (fixtureManifest ("uninstall-options"), false);

    struct Case { const char* text; bool uninstall; const ManifestProperties* manifest; const char* problem; };

    const Case cases[] = {
        { "--components=\"tarrow audio - ondra.vst3\"", false, &suite, "" },
        { "\"--components=Ondra Presets\" --dir=D:\\Tools", false, &suite, "" },
        { "\"--dir:Ondra Tool=D:\\Tools\"", false, &suite, "" },
        { "--components=Ondra", false, &suite, "There is no component \"Ondra\" in this installer; its components are \"Ondra Tool\", \"Ondra Presets\"" },
        { "\"--components=Ondra Uninstaller\"", false, &suite, "There is no component \"Ondra Uninstaller\"" },
        { "--dir=C:\\Windows", false, &suite, "The folder of --dir cannot be used: \"C:\\Windows\" is the Windows folder." },
        { "--dir=Tools", false, &suite, "\"Tools\" is not an absolute folder on a local drive" },
        { "--dir=\\\\server\\share", false, &suite, "is not an absolute folder on a local drive" },
        { "\"--dir:Ondra Presets=D:\\P\"", false, &suite, "--dir:Ondra Presets names no component whose folder may be chosen" },
        { "--dir=D:\\Plug-Ins", false, &options, "No component of Ondra Suite can be installed into a folder of your choice" },
        { "--uninstall-options=presets", false, &options, "--uninstall-options belongs to --uninstall" },
        { "--uninstall-options=presets,everything", true, &options, "" },
        { "--uninstall-options=", true, &options, "" },
        { "--uninstall-options=samples", true, &options, "There is no uninstall option \"samples\"; the options are presets, userPresets, everything" },
        { "--components=X", true, &options, "an uninstall removes what was installed" },
        { "--components=", false, &demo, "--components leaves nothing to install; its components are \"Tarrow Audio - Ondra.vst3\"" },
        { "--components=", false, &suite, "" },   // the tool is required
    };

    for (const auto& c : cases)
    {
        const auto line = CommandLine::parse (c.text);
        ASSERT_EQ (line.problem, "") << c.text;
        juce::String problem;
        PendingChoices::fromCommandLine (line, *c.manifest, c.uninstall, problem);

        if (juce::String (c.problem).isEmpty())
            EXPECT_EQ (problem, "") << c.text;
        else
            EXPECT_TRUE (problem.contains (c.problem)) << c.text << ": " << problem;
    }

    // The required tool stays in whatever --components says; the optional ones not named go.
    juce::String problem;
    const auto choices = PendingChoices::fromCommandLine (CommandLine::parse ("--components=\"Ondra Presets\" --dir=D:\\Tools"),
                                                          suite, false, problem);
    EXPECT_EQ (choices.deselected, juce::StringArray ("Tarrow Audio - Ondra.vst3.zip"));
    EXPECT_EQ (choices.folders.at ("Ondra Tool.exe"), "D:\\Tools");

    // As the wizard's defaults: the bundle unticked, the tool's folder chosen.
    ManifestProperties defaults (false);
    defaults.setTree (choices.asDefaults (suite), false);

    for (const auto& object : defaults.getObjects())
    {
        if (object.objectName == "Tarrow Audio - Ondra.vst3")
        {
            EXPECT_FALSE (object.defaultSelection);
        }
        if (object.objectName == "Ondra Presets")
        {
            EXPECT_TRUE (object.defaultSelection);
        }
        if (object.objectName == "Ondra Tool")
        {
            EXPECT_EQ (object.defaultInstallPath, "D:\\Tools");
        }
    }

    // And back to a command line, as the elevated copy is started with: the same choices.
    CommandLine line;
    choices.addTo (line, suite, false);
    juce::String again;
    const auto resumed = PendingChoices::fromCommandLine (CommandLine::parse (line.toArguments().joinIntoString (" ")), suite, false, again);
    EXPECT_EQ (again, "");
    EXPECT_EQ (resumed.deselected, choices.deselected);
    EXPECT_EQ (resumed.folders, choices.folders);

    // An uninstall takes no components or folders: its copy is started with none.
    CommandLine uninstallLine;
    choices.addTo (uninstallLine, suite, true);
    EXPECT_FALSE (uninstallLine.components.has_value());
    EXPECT_TRUE (uninstallLine.folderOf.empty());
}
