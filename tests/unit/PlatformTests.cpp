#include "Platform.h"
#include "TestHelpers.h"

#include <gtest/gtest.h>

TEST (Platform, AttributesOfFilesAndFolders)
{
    testing_support::TempFolder temp;
    const auto file = temp["icon.ico"];
    file.replaceWithText ("icon");
    const auto bundle = temp["Bundle.vst3"];
    bundle.createDirectory();

    EXPECT_TRUE (platform::addFileAttributes (file, true, true));
    const auto attributes = platform::getFileAttributes (file);
    EXPECT_TRUE (attributes.exists && attributes.hidden && attributes.readOnly && ! attributes.directory);

    // Wine accepts the read-only attribute on a folder but does not show it afterwards; the call's
    // answer is what can be checked here.
    EXPECT_TRUE (platform::addFileAttributes (bundle, false, true));
    EXPECT_TRUE (platform::getFileAttributes (bundle).directory);
    EXPECT_FALSE (platform::addFileAttributes (temp["missing"], false, true));
}

TEST (Platform, DeletePathClearsReadOnlyOnTheWay)
{
    testing_support::TempFolder temp;
    const auto bundle = temp["Bundle.vst3"];
    bundle.getChildFile ("Contents/x86_64-win").createDirectory();
    const auto module = bundle.getChildFile ("Contents/x86_64-win/Bundle.vst3");
    module.replaceWithText ("module");
    platform::addFileAttributes (module, false, true);
    platform::addFileAttributes (bundle, false, true);

    EXPECT_TRUE (platform::deletePath (bundle));
    EXPECT_FALSE (bundle.exists());
    EXPECT_TRUE (platform::deletePath (temp["never existed"]));
}

TEST (Platform, PathsCompareAsWindowsComparesThem)
{
    testing_support::TempFolder temp;
    const auto folder = temp["Long Folder Name Ä"];
    folder.getChildFile ("Tarrow Audio - Ondra.vst3").createDirectory();
    const auto full = folder.getFullPathName();
    const auto shortForm = platform::shortPathOf (folder);
    const auto ae = juce::String (juce::CharPointer_UTF8 ("\xc3\xa4")), AE = juce::String (juce::CharPointer_UTF8 ("\xc3\x84"));

    struct Case { juce::String a, b; bool same; };
    const Case cases[] = {
        { "C:\\Program Files\\Common Files\\VST3", "c:\\program files\\common files\\vst3", true },
        { "C:\\Program Files\\Tarrow S" + AE + "hne", "C:\\PROGRAM FILES\\tarrow s" + ae + "hne", true },   // beyond ASCII
        { "C:\\Program Files\\VST3\\", "C:\\Program Files\\VST3", true },
        { "C:/Program Files/VST3", "C:\\Program Files\\VST3", true },
        { "\\\\?\\C:\\Program Files\\VST3", "C:\\Program Files\\VST3", true },
        { "C:\\Program Files\\Common Files\\..\\VST3", "C:\\Program Files\\VST3", true },
        { full, full.toUpperCase(), true },
        { shortForm + "\\Tarrow Audio - Ondra.vst3", full + "\\Tarrow Audio - Ondra.vst3", true },   // 8.3 and long
        { shortForm + "\\Not There Yet\\x", full + "\\Not There Yet\\X", true },
        { "C:\\Program Files\\VST3", "C:\\Program Files\\VST", false },
        { "C:\\Stra" + juce::String (juce::CharPointer_UTF8 ("\xc3\x9f")) + "e", "C:\\Strasse", false },   // no folding of letters into others
        { "C:\\Program Files\\VST3", "D:\\Program Files\\VST3", false },
        { "", "C:\\", false },
    };

    for (const auto& c : cases)
        EXPECT_EQ (platform::isSamePath (c.a, c.b), c.same) << c.a << " / " << c.b;

    EXPECT_NE (shortForm, full) << "Wine and Windows keep short names for a long one";
}
