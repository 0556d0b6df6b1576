#include "SeamlessTitlebarLAF.h"

namespace Quor
{
    void SeamlessTitlebarLAF::setCloseButtonImages (std::unique_ptr<juce::Drawable> normal, std::unique_ptr<juce::Drawable> hover)
    {
        closeButtonImages[0] = std::move (normal);
        closeButtonImages[1] = std::move (hover);
    }
}
