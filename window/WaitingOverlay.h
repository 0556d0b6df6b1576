#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

namespace Quor
{
    /** A busy indicator: three half rings turning at their own speeds around a centre glyph,
        optionally over a dark veil and with one line of text below. Any thread may show it. */
    class WaitingOverlay final : public juce::Component,
                                 private juce::Timer
    {
    public:
        WaitingOverlay();
        ~WaitingOverlay() override;

        /** Makes the overlay visible and animates it; from another thread, later on the message thread. */
        void show (const juce::String& message, bool dimBackground);

        void paint (juce::Graphics& g) override;

        /** The spinner's square for a component of this size. */
        static juce::Rectangle<float> spinnerArea (int width, int height);

        juce::String message;
        std::unique_ptr<juce::Drawable> centreImage;
        std::unique_ptr<juce::Drawable> ringImages[3];
        bool dimBackground = true;
        float ringAngles[3] = {};
        float ringSpeeds[3] = { 0.075f, 0.055f, 0.03f };

    private:
        void timerCallback() override;

        static constexpr float resetSpeeds[3] = { 0.075f, 0.055f, 0.03f };
        static constexpr float maximumSpeeds[3] = { 0.09f, 0.065f, 0.045f };
        static constexpr float speedIncrement = 0.075f;
        const juce::Colour veilLight { 0x1affffff }, veilDark { 0xa6000000 };

        JUCE_DECLARE_WEAK_REFERENCEABLE (WaitingOverlay)
    };
}
