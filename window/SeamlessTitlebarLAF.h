#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

namespace Quor
{
    /** The framework look-and-feel: a title bar drawn with the window's background picture, no
        title text or icon, and a close button drawn from two pictures (normal, hover). The
        minimise and maximise buttons exist, hidden and disabled. */
    class SeamlessTitlebarLAF final : public juce::LookAndFeel_V4
    {
    public:
        /** The close button, drawn from the look-and-feel's two pictures. */
        class TitleButton final : public juce::Button
        {
        public:
            TitleButton (const juce::String& name, juce::Drawable* normal, juce::Drawable* hover, int buttonType);

            void paintButton (juce::Graphics& g, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;

            juce::Drawable* images[2] = {};
            int buttonType = 0;
        };

        SeamlessTitlebarLAF() = default;

        /** Takes ownership of the close button's pictures (normal, hover); earlier ones are deleted. */
        void setCloseButtonImages (std::unique_ptr<juce::Drawable> normal, std::unique_ptr<juce::Drawable> hover);

        void drawDocumentWindowTitleBar (juce::DocumentWindow& window, juce::Graphics& g, int w, int h,
                                         int titleSpaceX, int titleSpaceW, const juce::Image* icon,
                                         bool drawTitleTextOnLeft) override;
        juce::Button* createDocumentWindowButton (int buttonType) override;
        void positionDocumentWindowButtons (juce::DocumentWindow& window, int titleBarX, int titleBarY,
                                            int titleBarW, int titleBarH, juce::Button* minimiseButton,
                                            juce::Button* maximiseButton, juce::Button* closeButton,
                                            bool positionTitleBarButtonsOnLeft) override;

        juce::Image backgroundImage;
        int titleBarHeight = 30;
        std::unique_ptr<juce::Drawable> closeButtonImages[2];
    };
}
