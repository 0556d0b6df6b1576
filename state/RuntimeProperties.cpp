#include "RuntimeProperties.h"
#include "Identifiers.h"

RuntimeProperties::RuntimeProperties()
    : ValueTreeWrapper (Ids::RuntimeProperties)
{
}

bool RuntimeProperties::getAdminPermissions() const                 { return getBool (Ids::AdminPermissions); }
void RuntimeProperties::setAdminPermissions (bool hasPermissions)   { setBool (hasPermissions, Ids::AdminPermissions, false); }
void RuntimeProperties::changePage()                                { setBool (! getBool (Ids::ChangePage), Ids::ChangePage, false); }
juce::String RuntimeProperties::getLastLogMessage() const           { return getString (Ids::LastLogMessage); }
void RuntimeProperties::setLastLogMessage (const juce::String& line) { setString (line, Ids::LastLogMessage); }
juce::String RuntimeProperties::getInstallationErrors() const       { return getString (Ids::InstallationErrors); }
void RuntimeProperties::setInstallationErrors (const juce::StringArray& errors) { setString (errors.joinIntoString (";"), Ids::InstallationErrors); }
juce::String RuntimeProperties::getRestartNotice() const           { return getString (Ids::RestartNotice); }
void RuntimeProperties::setRestartNotice (const juce::String& notice) { setString (notice, Ids::RestartNotice); }
bool RuntimeProperties::isRunningHeadless() const                   { return getBool (Ids::RunningHeadless); }
void RuntimeProperties::setRunningHeadless (bool headless)          { setBool (headless, Ids::RunningHeadless, false); }

void RuntimeProperties::initialiseDefaults()
{
    setAdminPermissions (false);
    changePage();
    setInstallationErrors ({});
    setRestartNotice ({});
    setRunningHeadless (false);
}

void RuntimeProperties::valueTreePropertyChanged (juce::ValueTree&, const juce::Identifier& id)
{
    if (id == Ids::AdminPermissions)
    {
        if (onAdminPermissionsChanged != nullptr)
            onAdminPermissionsChanged (getAdminPermissions());
    }
    else if (id == Ids::ChangePage)
    {
        if (onChangePage != nullptr)
            onChangePage();
    }
    else if (id == Ids::LastLogMessage)
    {
        if (onLastLogMessageChanged != nullptr)
            onLastLogMessageChanged (getLastLogMessage());
    }
}
