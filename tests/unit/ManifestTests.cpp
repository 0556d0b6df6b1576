#include "Identifiers.h"
#include "ManifestProperties.h"
#include "TestHelpers.h"

#include <gtest/gtest.h>

namespace
{
    ManifestProperties viewOf (const juce::String& xml)
    {
        ManifestProperties view (false);
        view.setTree (ManifestProperties::parse (xml), false);
        return view;
    }
}

TEST (Manifest, TypedReadsOfObjectAttributes)
{
    const auto manifest = viewOf (R"(<?xml version="1.0" encoding="UTF-8"?>
        <Manifest AppName="Ondra" AppVersion="1.0.7">
          <Objects>
            <Object objectName="a" isMainApplication="TRUE" visible=" yes " allowUserPath="2" installationOptional="no"
                    defaultSelection="0" runPostInstall="" uninstallOrder="5" uninstallOptionRequires=" b ;c,,d , "/>
            <Object objectName="b" uninstallOrder="late"/>
            <Thing objectName="c" isUninstaller="Yes"/>
          </Objects>
        </Manifest>)");

    const auto objects = manifest.getObjects();
    ASSERT_EQ (objects.size(), 3u);

    EXPECT_TRUE (objects[0].isMainApplication);
    EXPECT_TRUE (objects[0].visible);
    EXPECT_TRUE (objects[0].allowUserPath);
    EXPECT_FALSE (objects[0].installationOptional);
    EXPECT_FALSE (objects[0].defaultSelection);
    EXPECT_FALSE (objects[0].runPostInstall);
    EXPECT_FALSE (objects[0].preventUninstall);   // missing
    EXPECT_EQ (objects[0].uninstallOrder, 5);
    EXPECT_EQ (objects[0].uninstallOptionRequires, juce::StringArray ({ "b", "c", "d" }));

    EXPECT_EQ (objects[1].uninstallOrder, 0);    // no leading number
    EXPECT_EQ (objects[2].objectName, "c");      // any element name counts as an object
    EXPECT_TRUE (objects[2].isUninstaller);
    EXPECT_EQ (objects[2].uninstallOrder, 1000); // missing
}

TEST (Manifest, VersionNumbers)
{
    struct Case { const char* version; int expected; };

    for (const auto& c : { Case { "1.0.7", 65543 },
                           Case { "2.1", 2 * 65536 + 256 },
                           Case { "1.2.3.4", (65536 + 2 * 256 + 3) * 256 + 4 },
                           Case { " 3 , 4 ", 3 * 65536 + 4 * 256 },
                           Case { "", 0 } })
        EXPECT_EQ (ManifestProperties::packVersion (c.version), c.expected) << c.version;
}

TEST (Manifest, EditsOfTheCopy)
{
    auto manifest = viewOf (R"(<Manifest><Objects>
        <Object objectPath="x.zip" defaultInstallPath="A"/>
        <Object objectPath="x.zip" defaultInstallPath="B"/>
        <Object objectPath="X.zip" defaultInstallPath="C"/>
      </Objects></Manifest>)");

    manifest.setObjectInstallPath ("x.zip", "D");
    auto objects = manifest.getObjects();
    EXPECT_EQ (objects[0].defaultInstallPath, "D");
    EXPECT_EQ (objects[1].defaultInstallPath, "B");

    manifest.removeObject ("x.zip");
    objects = manifest.getObjects();
    ASSERT_EQ (objects.size(), 1u);
    EXPECT_EQ (objects[0].objectPath, "X.zip");
}

TEST (Manifest, UnparsableOrDetachedGivesNothing)
{
    const auto broken = viewOf ("<Manifest><Objects>");
    EXPECT_FALSE (broken.getTree().isValid());
    EXPECT_TRUE (broken.getObjects().empty());
    EXPECT_EQ (broken.getAppName(), "");
    EXPECT_EQ (broken.getVersionNumber(), 0);
}

TEST (Manifest, EmbeddedManifestIsPrintedOnEveryLoad)
{
    const auto output = testing_support::captureOutput ([]
    {
        ManifestProperties first (true), second (true);
        EXPECT_EQ (first.getAppName(), "Ondra");
        EXPECT_EQ (second.getVersionNumber(), 65543);
        EXPECT_EQ (first.getString (Ids::AppUuid), "a3c95e10f27b4d6890e1c4b7d2f5a08e");
        ASSERT_EQ (first.getObjects().size(), 2u);
        EXPECT_EQ (first.getObjects()[0].defaultInstallPath, "C:/Program Files/Common Files/VST3");
    });

    EXPECT_TRUE (output.startsWith ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
    EXPECT_EQ (juce::StringArray::fromLines (output).indexOf ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"), 0);

    int loads = 0;

    for (auto at = output.indexOf ("<Manifest "); at >= 0; at = output.indexOf (at + 1, "<Manifest "))
        ++loads;

    EXPECT_EQ (loads, 2);
}
