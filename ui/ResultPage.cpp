#include "ResultPage.h"
#include "EmbeddedResources.h"
#include "Fonts.h"

namespace Installer
{
    ResultPage::ResultPage (Quor::CorvoApp& application)
        : Page (application, AppProperties::result)
    {
        juce::StringArray errors;
        errors.addTokens (runtimeProperties.getInstallationErrors(), ";", {});
        succeeded = errors.isEmpty();
        restartNotice = runtimeProperties.getRestartNotice();

        if (succeeded)
        {
            resultIcon = resources::getDrawable ("Icon_check_svg");
        }
        else
        {
            resultIcon = resources::getDrawable ("Icon_erroroutline_svg");
            errorLog = std::make_unique<LogText>();
            errorLog->setTitle ("Errors");
            addAndMakeVisible (*errorLog);

            for (const auto& error : errors)
                errorLog->addLine (error);
        }

        addAndMakeVisible (closeButton);
        closeButton.setLabel ("Close");
        closeButton.shieldIcon.reset();
        closeButton.onClick = [] { juce::JUCEApplicationBase::quit(); };

        setTitle (succeeded ? "Done!" : "Finished with errors");
    }

    void ResultPage::resized()
    {
        Page::resized();

        const auto w = getWidth();
        const auto c = (float) (w / 2);

        closeButton.setBounds (w / 2 - 123, 555, 246, 51);
        doneTextArea = { c - (float) (w - 110) / 2.0f, 164.5f, (float) (w - 110), 21.0f };
        iconArea = { c - 47.5f, 202.5f, 95.0f, 95.0f };
        noticeArea = { 55.0f, 320.0f, (float) (w - 110), 60.0f };

        // Below the icon and above "Close": the errors are read, not covered by the button.
        if (errorLog != nullptr)
            errorLog->setBounds (55, 310, w - 110, closeButton.getY() - 10 - 310);
    }

    void ResultPage::paint (juce::Graphics& g)
    {
        Page::paint (g);

        if (succeeded)
        {
            g.setColour (pageTextColour);
            g.setFont (robotoBold().withHeight (doneTextArea.getHeight()));
            g.drawText ("Done!", doneTextArea, juce::Justification::centred, true);

            if (restartNotice.isNotEmpty())
            {
                g.setFont (robotoRegular().withHeight (16.0f));
                g.drawFittedText (restartNotice, noticeArea.toNearestInt(), juce::Justification::centredTop, 3, 1.0f);
            }
        }

        if (resultIcon != nullptr && iconArea.getWidth() > 2.0f)
            resultIcon->drawWithin (g, iconArea, juce::RectanglePlacement::centred, 1.0f);
    }
}
