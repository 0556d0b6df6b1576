#include "Page.h"
#include "EmbeddedResources.h"
#include "Fonts.h"

Page::Page (Quor::CorvoApp& application, AppProperties::PageType type)
    : pageType (type), app (application)
{
    appProperties.setTree (app.getPersistentTree(), false);
    appProperties.startListening();
    runtimeProperties.setTree (app.getRuntimeTree(), false);
    runtimeProperties.startListening();
    manifestProperties.setTree (app.getManifestTree(), false);
    logo = resources::getImage ("Installer_Icon_1024_png");
}

juce::String Page::operationPrefix() const
{
    switch (appProperties.getOperationMode())
    {
        case 1:     return "Modify v";
        case 2:     return "Uninstaller v";
        default:    return "Installer v";
    }
}

void Page::paint (juce::Graphics& g)
{
    if (logo.isValid())
        g.drawImage (logo, logoArea, juce::RectanglePlacement::centred);

    g.setColour (pageTextColour);
    g.setFont (robotoBold().withHeight (titleArea.getHeight()));
    g.drawText (manifestProperties.getAppName(), titleArea, juce::Justification::centredLeft, true);

    g.setFont (robotoLight().withHeight (subtitleArea.getHeight()));
    g.drawText (operationPrefix() + manifestProperties.getAppVersion(), subtitleArea, juce::Justification::centredLeft, true);
}

void Page::resized()
{
    const auto w = (float) getWidth();
    logoArea = { 424.0f, 0.0f, 46.0f, 46.0f };
    titleArea = { 55.0f, 50.0f, w - 110.0f, 37.0f };
    subtitleArea = { 55.0f, 100.0f, w - 110.0f, 20.0f };
}
