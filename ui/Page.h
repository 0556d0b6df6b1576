#pragma once

#include "AppProperties.h"
#include "CorvoApp.h"
#include "ManifestProperties.h"
#include "RuntimeProperties.h"

#include <juce_gui_basics/juce_gui_basics.h>

/** Colour of the pages' primary text. */
inline const juce::Colour pageTextColour { 0xfffdfefe };

/** The base of every page: its views of the trees, and the header with the product's logo, name
    and the operation with its version. */
class Page : public juce::Component
{
public:
    const AppProperties::PageType pageType;

    void paint (juce::Graphics& g) override;
    void resized() override;

protected:
    Page (Quor::CorvoApp& app, AppProperties::PageType type);

    /** The subtitle's prefix for the operation mode: "Installer v", "Modify v" or "Uninstaller v". */
    juce::String operationPrefix() const;

    Quor::CorvoApp& app;
    AppProperties appProperties;
    RuntimeProperties runtimeProperties;
    ManifestProperties manifestProperties { false };
    juce::Image logo;
    juce::Rectangle<float> logoArea, titleArea, subtitleArea;

    JUCE_DECLARE_NON_COPYABLE (Page)
};
