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
