#include "RepaintFallback.h"

namespace Quor
{
    namespace
    {
        // Several missed blanks in a row: at 60 Hz a blank comes every 17 ms.
        constexpr juce::uint32 silenceBeforeFallback = 250;
    }

    RepaintFallback::RepaintFallback (juce::Component& windowToPaint)
        : window (windowToPaint), lastBlank (juce::Time::getMillisecondCounter())
    {
        startTimer (33);
    }

    RepaintFallback::~RepaintFallback()
    {
        stopTimer();
        attachTo (nullptr);
    }

    void RepaintFallback::attachTo (juce::ComponentPeer* peer)
    {
        // A window replaces its peer when its title bar changes; the old one may be gone already.
        if (attachedPeer != nullptr && juce::ComponentPeer::isValidPeer (attachedPeer))
            attachedPeer->removeVBlankListener (this);

        attachedPeer = peer;

        if (attachedPeer != nullptr)
            attachedPeer->addVBlankListener (this);
    }

    void RepaintFallback::onVBlank()
    {
        lastBlank = juce::Time::getMillisecondCounter();
        active = false;
    }

    void RepaintFallback::timerCallback()
    {
        auto* peer = window.getPeer();

        if (peer != attachedPeer)
        {
            attachTo (peer);
            lastBlank = juce::Time::getMillisecondCounter();
        }

        if (peer == nullptr || juce::Time::getMillisecondCounter() - lastBlank < silenceBeforeFallback)
            return;

        active = true;
        peer->performAnyPendingRepaintsNow();
    }
}
