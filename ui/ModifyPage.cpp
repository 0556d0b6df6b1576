#include "ModifyPage.h"
#include "Fonts.h"

namespace Installer
{
    ModifyPage::ModifyPage (Quor::CorvoApp& application)
        : Page (application, AppProperties::modify)
    {
        for (auto* button : { &repairButton, &uninstallButton })
        {
            addAndMakeVisible (*button);
            button->shieldIcon.reset();
        }

        repairButton.setLabel ("REPAIR");
        repairButton.onClick = [this] { continueAs (OperationMode::install); };
        uninstallButton.setLabel ("UNINSTALL");
        uninstallButton.onClick = [this] { continueAs (OperationMode::uninstall); };
    }

    void ModifyPage::continueAs (OperationMode mode)
    {
        // The page change replaces this page: it goes through views of its own, last.
        AppProperties pages;
        pages.setTree (app.getPersistentTree(), false);
        RuntimeProperties runtime;
        runtime.setTree (app.getRuntimeTree(), false);

        pages.setOperationMode ((int) mode);
        pages.setNextPageToShow (AppProperties::welcome);
        runtime.changePage();
    }

    void ModifyPage::resized()
    {
        Page::resized();

        const auto w = getWidth();
        promptArea = { 55.0f, 200.0f, (float) w - 110.0f, 40.0f };
        repairButton.setBounds (w / 2 - 123, 335, 246, 51);
        uninstallButton.setBounds (w / 2 - 123, 415, 246, 51);
    }

    void ModifyPage::paint (juce::Graphics& g)
    {
        Page::paint (g);

        g.setColour (pageTextColour);
        g.setFont (robotoLight().withHeight (14.0f));
        g.drawMultiLineText ("Select an action to modify your existing installation.", (int) promptArea.getX(),
                             (int) promptArea.getY(), (int) promptArea.getWidth(), juce::Justification::horizontallyCentred, 0.0f);
    }
}
