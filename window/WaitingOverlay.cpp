#include "WaitingOverlay.h"
#include "SpinnerPictures.h"

#include <cstring>

namespace Quor
{
    namespace
    {
        std::unique_ptr<juce::Drawable> picture (const char* svg)
        {
            return juce::Drawable::createFromImageData (svg, std::strlen (svg));
        }
    }

    WaitingOverlay::WaitingOverlay()
    {
        centreImage = picture (spinnerPictures::centre);
        ringImages[0] = picture (spinnerPictures::ring0);
        ringImages[1] = picture (spinnerPictures::ring1);
        ringImages[2] = picture (spinnerPictures::ring2);

        setTitle ("Working");
        setInterceptsMouseClicks (false, false);
    }

    WaitingOverlay::~WaitingOverlay()
    {
        stopTimer();
        masterReference.clear();
    }

    void WaitingOverlay::show (const juce::String& text, bool dim)
    {
        if (! juce::MessageManager::getInstance()->isThisTheMessageThread())
        {
            juce::WeakReference<WaitingOverlay> weakThis (this);
            juce::MessageManager::callAsync ([weakThis, text, dim]
            {
                if (weakThis != nullptr)
                    weakThis->show (text, dim);
            });
            return;
        }

        dimBackground = dim;
        message = text;
        startTimer (33);
        setVisible (true);
    }

    void WaitingOverlay::timerCallback()
    {
        for (int i = 0; i < 3; ++i)
        {
            ringSpeeds[i] += speedIncrement;

            if (ringSpeeds[i] > maximumSpeeds[i])
                ringSpeeds[i] = resetSpeeds[i];
        }

        ringAngles[0] -= ringSpeeds[0];

        if (ringAngles[0] < 0.0f)
            ringAngles[0] = juce::MathConstants<float>::twoPi;

        for (int i = 1; i < 3; ++i)
        {
            ringAngles[i] += ringSpeeds[i];

            if (ringAngles[i] > juce::MathConstants<float>::twoPi)
                ringAngles[i] = 0.0f;
        }

        repaint();
    }

    juce::Rectangle<float> WaitingOverlay::spinnerArea (int width, int height)
    {
        const auto side = (float) juce::jmin (juce::jmin (width, height) - 20, 110);
        const auto cx = (float) width * 0.5f, cy = (float) height * 0.5f;
        return { cx - side / 2.0f, cy - side / 2.0f, side, side };
    }

    void WaitingOverlay::paint (juce::Graphics& g)
    {
        const auto w = getWidth(), h = getHeight();

        if (dimBackground)
        {
            g.fillAll (veilLight);
            g.fillAll (veilDark);
        }

        g.setColour (juce::Colours::white);

        const auto square = spinnerArea (w, h);

        if (centreImage != nullptr)
            centreImage->drawWithin (g, square, juce::RectanglePlacement::centred, 1.0f);

        for (int i = 0; i < 3; ++i)
        {
            if (ringImages[i] == nullptr)
                continue;

            juce::Graphics::ScopedSaveState state (g);
            g.addTransform (juce::AffineTransform::rotation (ringAngles[i], (float) w * 0.5f, (float) h * 0.5f));
            ringImages[i]->drawWithin (g, square, juce::RectanglePlacement::centred, 1.0f);
        }

        if (message.isEmpty())
            return;

        const auto fontHeight = juce::jlimit (0.1f, 10000.0f, juce::jmin ((float) h * 0.08f, 16.0f));
        g.setFont (juce::Font (juce::Font::getDefaultSansSerifFontName(), fontHeight, juce::Font::plain));
        const auto y = (int) juce::jmin ((float) h - fontHeight, square.getBottom() + fontHeight);
        g.drawText (message, juce::Rectangle<int> (0, y, w, h), juce::Justification::centredTop, true);
    }
}
