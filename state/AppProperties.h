#pragma once

#include "ValueTreeWrapper.h"

#include <functional>

/** What a run does. Stored as an integer in the persistent tree. */
enum class OperationMode
{
    install = 0,    // also repair
    modify = 1,
    uninstall = 2
};

/** The word a log line uses for a stored mode value. */
juce::String operationModeName (int mode);

/** The build-time modify switch (CMake option INSTALLER_MODIFY_MODE, off in the shipped build):
    only with it on does "--modify" reach the modify page and does the registration offer a
    modify button. Tests may set it. */
extern bool modifyModeSwitch;

/** View of the persistent tree: the next page and the operation mode. */
class AppProperties final : public ValueTreeWrapper
{
public:
    enum PageType
    {
        welcome = 0,
        modify = 1,
        install = 2,
        result = 3
    };

    AppProperties();

    PageType getNextPageToShow() const;
    void setNextPageToShow (PageType page);
    int getOperationMode() const;
    void setOperationMode (int mode);

    void initialiseDefaults() override;
    void valueTreePropertyChanged (juce::ValueTree& changed, const juce::Identifier& id) override;

    std::function<void (PageType)> onNextPageToShowChanged;
    std::function<void (int)> onOperationModeChanged;
};
