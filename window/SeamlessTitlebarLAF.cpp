#include "SeamlessTitlebarLAF.h"

namespace Quor
{
    namespace
    {
        const char* const buttonNames[] = { "Close", "Minimize", "Maximize" };
    }

    SeamlessTitlebarLAF::TitleButton::TitleButton (const juce::String& name, juce::Drawable* normal,
                                                   juce::Drawable* hover, int type)
        : juce::Button (name), buttonType (type)
    {
        images[0] = normal;
        images[1] = hover;
        setTitle (name);
        setTooltip (name);
    }

    void SeamlessTitlebarLAF::TitleButton::paintButton (juce::Graphics& g, bool shouldDrawButtonAsHighlighted, bool)
    {
        if (auto* image = images[shouldDrawButtonAsHighlighted ? 1 : 0])
            image->drawWithin (g, getLocalBounds().toFloat(), juce::RectanglePlacement::centred, 1.0f);
    }

    void SeamlessTitlebarLAF::setCloseButtonImages (std::unique_ptr<juce::Drawable> normal, std::unique_ptr<juce::Drawable> hover)
    {
        closeButtonImages[0] = std::move (normal);
        closeButtonImages[1] = std::move (hover);
    }

    void SeamlessTitlebarLAF::drawDocumentWindowTitleBar (juce::DocumentWindow&, juce::Graphics& g, int w, int h,
                                                          int, int, const juce::Image*, bool)
    {
        if (! backgroundImage.isValid() || backgroundImage.getWidth() < 3)
            return;

        // Covers the whole bar with one scale, top edges aligned, centred across: the bar continues
        // the picture the page below it shows.
        const auto placement = juce::RectanglePlacement (juce::RectanglePlacement::fillDestination | juce::RectanglePlacement::yTop);
        const auto transform = placement.getTransformToFit (backgroundImage.getBounds().toFloat(),
                                                            juce::Rectangle<int> (0, 0, w, h).toFloat());
        g.drawImageTransformed (backgroundImage, transform, false);
    }

    juce::Button* SeamlessTitlebarLAF::createDocumentWindowButton (int buttonType)
    {
        const auto* name = buttonType == juce::DocumentWindow::closeButton      ? buttonNames[0]
                         : buttonType == juce::DocumentWindow::minimiseButton   ? buttonNames[1]
                                                                                : buttonNames[2];

        auto* button = new TitleButton (name, closeButtonImages[0].get(), closeButtonImages[1].get(), buttonType);

        if (buttonType != juce::DocumentWindow::closeButton)
        {
            button->setEnabled (false);
            button->setVisible (false);
        }

        return button;
    }

    void SeamlessTitlebarLAF::positionDocumentWindowButtons (juce::DocumentWindow&, int titleBarX, int titleBarY,
                                                             int titleBarW, int titleBarH, juce::Button*,
                                                             juce::Button*, juce::Button* closeButton, bool)
    {
        const auto inset = juce::jmin (titleBarW, 5);
        const auto size = juce::jmin (titleBarW - inset, 18);

        if (closeButton != nullptr)
            closeButton->setBounds (titleBarX + titleBarW - inset - size, titleBarY + juce::jmin (titleBarH, 5), size, size);
    }
}
