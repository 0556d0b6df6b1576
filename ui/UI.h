#pragma once

#include "Page.h"

#include <memory>

/** The main window's content: paints the background and shows the one page that the persistent
    tree's next page names, whenever the runtime tree asks for a page change. */
class UI final : public juce::Component
{
public:
    UI (Quor::CorvoApp& app, int titleBarHeight);
    ~UI() override;

    /** Replaces the current page by the page of this type for the operation mode; the same type
        keeps the page shown as it is. */
    void showPage (AppProperties::PageType type);

    Page* getCurrentPage() const    { return currentPage.get(); }

    void paint (juce::Graphics& g) override;
    void resized() override;

private:
    std::unique_ptr<Page> createPage (AppProperties::PageType type) const;

    Quor::CorvoApp& app;
    AppProperties appProperties;
    RuntimeProperties runtimeProperties;
    juce::Image background;
    std::unique_ptr<Page> currentPage;

    JUCE_DECLARE_WEAK_REFERENCEABLE (UI)
    JUCE_DECLARE_NON_COPYABLE (UI)
};
