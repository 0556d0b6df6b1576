#pragma once

#include <juce_core/juce_core.h>

/** Tree types and property names, stored verbatim in the trees and in the state file. */
namespace Ids
{
    #define INSTALLER_IDENTIFIER(name) inline const juce::Identifier name { #name };

    // Tree types
    INSTALLER_IDENTIFIER (AppProperties)
    INSTALLER_IDENTIFIER (RuntimeProperties)
    INSTALLER_IDENTIFIER (Manifest)
    INSTALLER_IDENTIFIER (PreRun)
    INSTALLER_IDENTIFIER (Objects)
    INSTALLER_IDENTIFIER (PostRun)
    INSTALLER_IDENTIFIER (HasOpenGLOption)
    INSTALLER_IDENTIFIER (UiPersistentProperties)
    INSTALLER_IDENTIFIER (UiRuntimeProperties)
    INSTALLER_IDENTIFIER (Transfer)

    // AppProperties
    INSTALLER_IDENTIFIER (NextPageToShow)
    INSTALLER_IDENTIFIER (OperationMode)

    // RuntimeProperties
    INSTALLER_IDENTIFIER (AdminPermissions)
    INSTALLER_IDENTIFIER (ChangePage)
    INSTALLER_IDENTIFIER (LastLogMessage)
    INSTALLER_IDENTIFIER (InstallationErrors)
    INSTALLER_IDENTIFIER (RestartNotice)
    INSTALLER_IDENTIFIER (RunningHeadless)
    INSTALLER_IDENTIFIER (AppUuid)

    // Manifest root
    INSTALLER_IDENTIFIER (AppName)
    INSTALLER_IDENTIFIER (AppVersion)
    INSTALLER_IDENTIFIER (CompanyName)
    INSTALLER_IDENTIFIER (WebLink)
    INSTALLER_IDENTIFIER (SelectedUninstallOptions)
    INSTALLER_IDENTIFIER (value)
    INSTALLER_IDENTIFIER (defaultValue)

    // Manifest objects
    INSTALLER_IDENTIFIER (objectName)
    INSTALLER_IDENTIFIER (objectPath)
    INSTALLER_IDENTIFIER (isMainApplication)
    INSTALLER_IDENTIFIER (isUninstaller)
    INSTALLER_IDENTIFIER (visible)
    INSTALLER_IDENTIFIER (allowUserPath)
    INSTALLER_IDENTIFIER (installationOptional)
    INSTALLER_IDENTIFIER (defaultSelection)
    INSTALLER_IDENTIFIER (defaultInstallPath)
    INSTALLER_IDENTIFIER (runPostInstall)
    INSTALLER_IDENTIFIER (postInstallArgs)
    INSTALLER_IDENTIFIER (preventUninstall)
    INSTALLER_IDENTIFIER (createUninstallBatScript)
    INSTALLER_IDENTIFIER (uninstallOptionId)
    INSTALLER_IDENTIFIER (uninstallOptionLabel)
    INSTALLER_IDENTIFIER (uninstallOptionDefaultSelection)
    INSTALLER_IDENTIFIER (uninstallOptionRequires)
    INSTALLER_IDENTIFIER (uninstallOrder)
    INSTALLER_IDENTIFIER (runPreUninstall)
    INSTALLER_IDENTIFIER (preUninstallArgs)

    // Window state
    INSTALLER_IDENTIFIER (windowPosition)
    INSTALLER_IDENTIFIER (Zoom)
    INSTALLER_IDENTIFIER (IsActiveWindow)

    #undef INSTALLER_IDENTIFIER
}
