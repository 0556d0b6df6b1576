#include "AppProperties.h"
#include "Identifiers.h"

#ifndef INSTALLER_MODIFY_MODE
 #define INSTALLER_MODIFY_MODE 0
#endif

bool modifyModeSwitch = INSTALLER_MODIFY_MODE != 0;

juce::String operationModeName (int mode)
{
    switch (mode)
    {
        case (int) OperationMode::modify:    return "modify";
        case (int) OperationMode::uninstall: return "uninstall";
        default:                             return "install";
    }
}

AppProperties::AppProperties()
    : ValueTreeWrapper (Ids::AppProperties)
{
}

AppProperties::PageType AppProperties::getNextPageToShow() const    { return (PageType) getInt (Ids::NextPageToShow); }
void AppProperties::setNextPageToShow (PageType page)               { setInt ((int) page, Ids::NextPageToShow); }
int AppProperties::getOperationMode() const                         { return getInt (Ids::OperationMode); }
void AppProperties::setOperationMode (int mode)                     { setInt (mode, Ids::OperationMode); }

void AppProperties::initialiseDefaults()
{
    setNextPageToShow (welcome);
    setOperationMode ((int) OperationMode::install);
}

void AppProperties::valueTreePropertyChanged (juce::ValueTree&, const juce::Identifier& id)
{
    if (id == Ids::NextPageToShow && onNextPageToShowChanged != nullptr)
        onNextPageToShowChanged (getNextPageToShow());
    else if (id == Ids::OperationMode && onOperationModeChanged != nullptr)
        onOperationModeChanged (getOperationMode());
}
