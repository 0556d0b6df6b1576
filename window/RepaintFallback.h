#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace Quor
{
    /** Keeps a window painting where the display sends no vertical blanks. JUCE paints a window's
        pending changes on each vertical blank of its monitor; where the system reports no
        output for that monitor (Wine without a graphics adapter, some remote sessions), none ever
        comes and the window shows its first picture for good. While no blank has arrived for a
        while, this paints the pending changes itself, 30 times a second. */
    class RepaintFallback final : private juce::ComponentPeer::VBlankListener,
                                  private juce::Timer
    {
    public:
        explicit RepaintFallback (juce::Component& window);
        ~RepaintFallback() override;

        /** True while the window is painted by this fallback. */
        bool isActive() const noexcept    { return active; }

    private:
        void onVBlank() override;
        void timerCallback() override;
        void attachTo (juce::ComponentPeer* peer);

        juce::Component& window;
        juce::ComponentPeer* attachedPeer = nullptr;
        juce::uint32 lastBlank = 0;
        bool active = false;
    };
}
