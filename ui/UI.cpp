#include "UI.h"
#include "Elevation.h"
#include "EmbeddedResources.h"
#include "InstallPage.h"
#include "ModifyPage.h"
#include "ResultPage.h"
#include "UninstallerWelcomePage.h"
#include "WelcomePage.h"

UI::UI (Quor::CorvoApp& application, int titleBarHeight)
    : app (application)
{
    appProperties.setTree (app.getPersistentTree(), false);
    appProperties.startListening();
    runtimeProperties.setTree (app.getRuntimeTree(), false);
    runtimeProperties.startListening();

    juce::WeakReference<UI> weakThis (this);
    runtimeProperties.onChangePage = [weakThis]
    {
        if (weakThis != nullptr)
            weakThis->showPage (weakThis->appProperties.getNextPageToShow());
    };

    showPage (appProperties.getNextPageToShow());

    background = resources::getImage ("BackgroundGradient_png");
    setBounds (getX(), getY(), background.getWidth(), background.getHeight() - titleBarHeight);
}

UI::~UI()
{
    masterReference.clear();
    runtimeProperties.onChangePage = nullptr;
    currentPage.reset();
}

std::unique_ptr<Page> UI::createPage (AppProperties::PageType type) const
{
    const auto uninstall = appProperties.getOperationMode() == (int) OperationMode::uninstall;

    const auto welcome = [&]() -> std::unique_ptr<Page>
    {
        if (uninstall)
            return std::make_unique<Uninstaller::WelcomePage> (app);

        return std::make_unique<Installer::WelcomePage> (app);
    };

    switch (type)
    {
        case AppProperties::welcome:
            return welcome();

        case AppProperties::install:
            if (! CorvoAudio::isRunningAsAdmin())
                return welcome();

            if (uninstall)
                return std::make_unique<Uninstaller::InstallPage> (app);

            return std::make_unique<Installer::InstallPage> (app);

        case AppProperties::result:
            if (uninstall)
                return std::make_unique<Uninstaller::ResultPage> (app);

            return std::make_unique<Installer::ResultPage> (app);

        case AppProperties::modify:
            return std::make_unique<Installer::ModifyPage> (app);

        default:
            return {};
    }
}

void UI::showPage (AppProperties::PageType type)
{
    if (currentPage != nullptr && currentPage->pageType == type)
        return;

    if (type < AppProperties::welcome || type > AppProperties::result)
        return;

    // The new page is complete before the old one goes.
    if (auto page = createPage (type))
        currentPage = std::move (page);

    if (currentPage != nullptr)
        addAndMakeVisible (*currentPage);

    resized();
}

void UI::paint (juce::Graphics& g)
{
    if (background.isValid())
        g.drawImage (background, getLocalBounds().toFloat(),
                     juce::RectanglePlacement::fillDestination | juce::RectanglePlacement::yBottom);
}

void UI::resized()
{
    if (currentPage != nullptr)
        currentPage->setBounds (getLocalBounds());
}
