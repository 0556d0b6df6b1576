#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

namespace Quor
{
    /** The framework look-and-feel: a title bar drawn over the window's background picture, with
        the close button only. */
    class SeamlessTitlebarLAF final : public juce::LookAndFeel_V4
    {
    public:
        SeamlessTitlebarLAF() = default;

        /** Takes ownership of the close button's pictures (normal, hover); earlier ones are deleted. */
        void setCloseButtonImages (std::unique_ptr<juce::Drawable> normal, std::unique_ptr<juce::Drawable> hover);

        juce::Image backgroundImage;
        int titleBarHeight = 30;
        std::unique_ptr<juce::Drawable> closeButtonImages[2];
    };
}
