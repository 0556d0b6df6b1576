#pragma once

#include "ValueTreeWrapper.h"

#include <functional>

/** View of the runtime tree: what the process shares while it runs and never stores. */
class RuntimeProperties final : public ValueTreeWrapper
{
public:
    RuntimeProperties();

    bool getAdminPermissions() const;
    void setAdminPermissions (bool hasPermissions);

    /** Asks the page controller to show the persistent tree's next page. Always notifies. */
    void changePage();

    juce::String getLastLogMessage() const;
    void setLastLogMessage (const juce::String& line);

    juce::String getInstallationErrors() const;
    void setInstallationErrors (const juce::StringArray& errors);

    /** What waits for Windows to restart, as the run said it; empty when nothing does. */
    juce::String getRestartNotice() const;
    void setRestartNotice (const juce::String& notice);

    bool isRunningHeadless() const;
    void setRunningHeadless (bool headless);

    void initialiseDefaults() override;
    void valueTreePropertyChanged (juce::ValueTree& changed, const juce::Identifier& id) override;

    std::function<void (bool)> onAdminPermissionsChanged;
    std::function<void()> onChangePage;
    std::function<void (juce::String)> onLastLogMessageChanged;
};
