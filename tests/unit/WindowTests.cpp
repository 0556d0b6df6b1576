#include "CorvoMainWindow.h"
#include "EmbeddedResources.h"
#include "Identifiers.h"
#include "SeamlessTitlebarLAF.h"
#include "TestHelpers.h"

#include <gtest/gtest.h>

namespace
{
    std::unique_ptr<juce::Drawable> square (juce::Colour colour)
    {
        auto drawable = std::make_unique<juce::DrawableRectangle>();
        drawable->setRectangle (juce::Parallelogram<float> (juce::Rectangle<float> (0.0f, 0.0f, 24.0f, 24.0f)));
        drawable->setFill (colour);
        return drawable;
    }

    juce::Rectangle<int> primaryUserArea()
    {
        return juce::Desktop::getInstance().getDisplays().getPrimaryDisplay()->userArea;
    }

    struct WindowApp final : Quor::CorvoApp
    {
        WindowApp()
            : Quor::CorvoApp (2, testing_support::TestApp::tree (RuntimeProperties()), testing_support::TestApp::tree (AppProperties()),
                              "Window Tests " + juce::Uuid().toString(), "Window Tests",
                              "1.0", 1, { 495, 660 }, new juce::ComponentBoundsConstrainer())
        {
        }

        ~WindowApp() override
        {
            getStateFile().deleteFile();
            platform::deletePath (Quor::CorvoMainWindow::glSettingsFile (company, "Window Tests").getParentDirectory().getParentDirectory());
        }

        std::unique_ptr<Quor::CorvoMainWindow> open (bool glDefault = false)
        {
            auto* content = new juce::Component();
            content->setSize (495, 630);
            return std::make_unique<Quor::CorvoMainWindow> (*this, company, "Window Tests", content, getRuntimeTree(),
                                                            getPersistentTree(), glDefault, juce::Point<int> (495, 660),
                                                            nullptr);
        }

        juce::Rectangle<int> storedPosition()
        {
            return juce::Rectangle<int>::fromString (getPersistentTree().getChildWithName (Ids::UiPersistentProperties)
                                                                         .getProperty (Ids::windowPosition).toString());
        }

        // Set by the base from the constructor's argument: a member here would not exist yet then.
        const juce::String company = getCompanyName();
    };
}

TEST (TitleBar, ButtonsNamesAndGeometry)
{
    Quor::SeamlessTitlebarLAF laf;

    struct Case { int type; const char* name; bool shown; };
    for (const auto& c : { Case { 4, "Close", true }, Case { 1, "Minimize", false }, Case { 2, "Maximize", false },
                           Case { 7, "Maximize", false } })
    {
        std::unique_ptr<juce::Button> button (laf.createDocumentWindowButton (c.type));
        EXPECT_EQ (button->getName(), c.name) << c.type;
        EXPECT_EQ (button->isEnabled(), c.shown) << c.type;

        if (! c.shown)
        {
            EXPECT_FALSE (button->isVisible()) << c.type;
        }
    }

    // The installer's bar: an 18-pixel square 5 pixels from the right end and from the top; a
    // bar narrower than 23 pixels shrinks it.
    struct Bar { int x, y, w, h; juce::Rectangle<int> close; };
    for (const auto& bar : { Bar { 0, 0, 495, 30, { 472, 5, 18, 18 } }, Bar { 10, 4, 20, 30, { 10, 9, 15, 15 } },
                             Bar { 0, 0, 495, 3, { 472, 3, 18, 18 } } })
    {
        juce::DocumentWindow window ("bar", juce::Colours::black, 0, false);
        juce::TextButton close;
        laf.positionDocumentWindowButtons (window, bar.x, bar.y, bar.w, bar.h, nullptr, nullptr, &close, false);
        EXPECT_EQ (close.getBounds(), bar.close) << bar.w << " x " << bar.h;
    }
}

TEST (TitleBar, PicturesOfTheBarAndTheCloseButton)
{
    Quor::SeamlessTitlebarLAF laf;
    juce::DocumentWindow window ("bar", juce::Colours::black, 0, false);

    // Without a picture, or with one narrower than 3 pixels, the bar paints nothing at all.
    for (const auto width : { 0, 2 })
    {
        if (width > 0)
            laf.backgroundImage = juce::Image (juce::Image::RGB, width, 660, true);

        juce::Image bar (juce::Image::ARGB, 495, 30, true);
        juce::Graphics g (bar);
        laf.drawDocumentWindowTitleBar (window, g, 495, 30, 0, 495, nullptr, true);
        EXPECT_EQ (bar.getPixelAt (240, 15).getAlpha(), 0) << width;
    }

    // The picture covers the bar, top edges aligned: the bar shows the picture's top rows.
    laf.backgroundImage = resources::getImage ("BackgroundGradient_png");
    ASSERT_EQ (laf.backgroundImage.getBounds(), juce::Rectangle<int> (0, 0, 495, 660));
    juce::Image bar (juce::Image::ARGB, 495, 30, true);
    {
        juce::Graphics g (bar);
        laf.drawDocumentWindowTitleBar (window, g, 495, 30, 0, 495, nullptr, true);
    }
    for (const auto& point : { juce::Point<int> (10, 1), juce::Point<int> (240, 20) })
        EXPECT_EQ (bar.getPixelAt (point.x, point.y).toDisplayString (false),
                   laf.backgroundImage.getPixelAt (point.x, point.y).toDisplayString (false));

    // The hover picture exactly while the pointer is over the button; pressing changes nothing.
    laf.setCloseButtonImages (square (juce::Colours::red), square (juce::Colours::blue));
    std::unique_ptr<juce::Button> button (laf.createDocumentWindowButton (juce::DocumentWindow::closeButton));
    auto* close = dynamic_cast<Quor::SeamlessTitlebarLAF::TitleButton*> (button.get());
    ASSERT_NE (close, nullptr);
    close->setBounds (0, 0, 18, 18);
    const auto colourAt = [&] (bool over, bool down)
    {
        juce::Image image (juce::Image::ARGB, 18, 18, true);
        juce::Graphics g (image);
        close->paintButton (g, over, down);
        return image.getPixelAt (9, 9).toDisplayString (false);
    };
    EXPECT_EQ (colourAt (false, false), juce::Colours::red.toDisplayString (false));
    EXPECT_EQ (colourAt (false, true), juce::Colours::red.toDisplayString (false));
    EXPECT_EQ (colourAt (true, false), juce::Colours::blue.toDisplayString (false));
    EXPECT_EQ (colourAt (true, true), juce::Colours::blue.toDisplayString (false));
}

TEST (MainWindow, PlacementFitsTheWholeWindowIntoTheWorkArea)
{
    using Placement = Quor::CorvoMainWindow::Placement;
    const juce::Rectangle<int> big (0, 0, 1920, 1160), laptop (0, 0, 1093, 574), netbook (0, 0, 1024, 600), right (1920, 0, 1280, 984),
                               tiny (0, 0, 300, 200);
    const juce::Array<juce::Rectangle<int>> twoDisplays { big, right };

    struct Case { juce::Rectangle<int> stored; juce::Array<juce::Rectangle<int>> areas; juce::Rectangle<int> primary; Placement expected; const char* why; };
    const Case cases[] = {
        { {}, twoDisplays, big, { { 713, 250, 495, 660 }, 1.0f }, "nothing stored: centred on the primary display" },
        { { 100, 100, 1, 660 }, twoDisplays, big, { { 713, 250, 495, 660 }, 1.0f }, "width 1 counts as absent" },
        { { 40, 30, 495, 660 }, twoDisplays, big, { { 40, 30, 495, 660 }, 1.0f }, "a usable position is kept" },
        { { 2100, 50, 495, 660 }, twoDisplays, big, { { 2100, 50, 495, 660 }, 1.0f }, "on the second display" },
        { { 5000, 100, 495, 660 }, twoDisplays, big, { { 713, 250, 495, 660 }, 1.0f }, "on a monitor that is gone" },
        { { -100, 20, 495, 660 }, twoDisplays, big, { { 0, 20, 495, 660 }, 1.0f }, "partly off: moved inside" },
        { { 100, 120, 495, 500 }, twoDisplays, big, { { 100, 120, 495, 660 }, 1.0f }, "a size shrunk once is never used again" },
        { { 100, 100, 495, 660 }, { laptop }, laptop, { { 100, 2, 429, 572 }, 143.0f / 165.0f }, "1366 x 768 at 125 %: scaled, all of it inside" },
        { {}, { laptop }, laptop, { { 332, 1, 429, 572 }, 143.0f / 165.0f }, "the same, centred" },
        { { 1500, 900, 495, 660 }, { netbook }, netbook, { { 287, 0, 450, 600 }, 150.0f / 165.0f }, "a position from a large screen on a small one" },
        { { 700, 300, 495, 660 }, { netbook }, netbook, { { 574, 0, 450, 600 }, 150.0f / 165.0f }, "partly on a small screen" },
        { {}, { tiny }, tiny, { { 75, 0, 150, 200 }, 50.0f / 165.0f }, "tiny" },
    };

    for (const auto& c : cases)
    {
        const auto placed = Quor::CorvoMainWindow::placementFor (c.stored, { 495, 660 }, c.areas, c.primary);
        EXPECT_EQ (placed.screenBounds, c.expected.screenBounds) << c.why;
        EXPECT_FLOAT_EQ (placed.scale, c.expected.scale) << c.why;
        EXPECT_EQ (placed.screenBounds.getWidth() * 660, placed.screenBounds.getHeight() * 495) << c.why << ": proportions kept";
        EXPECT_TRUE (std::any_of (c.areas.begin(), c.areas.end(), [&] (auto area) { return area.contains (placed.screenBounds); })) << c.why;
    }

    // A size without whole steps of its proportion is scaled as closely as the pixels allow.
    const auto odd = Quor::CorvoMainWindow::placementFor ({}, { 497, 661 }, { laptop }, laptop);
    EXPECT_TRUE (laptop.contains (odd.screenBounds)) << odd.screenBounds.toString();
    EXPECT_EQ (odd.screenBounds.getHeight(), 574);
    EXPECT_NEAR (odd.scale, 574.0f / 661.0f, 0.0001f);
}

TEST (MainWindow, OpensWhereItWasLeftAndStoresMoves)
{
    WindowApp app;
    const auto area = primaryUserArea();

    {
        auto window = app.open();
        const auto first = app.storedPosition();
        EXPECT_EQ (first.getWidth(), 495);
        EXPECT_EQ (window->getBounds(), first) << "the first run centres it";

        window->setTopLeftPosition (area.getX() + 30, area.getY() + 40);
        EXPECT_EQ (app.storedPosition().getPosition(), juce::Point<int> (area.getX() + 30, area.getY() + 40));

        // A hidden window does not write its position.
        window->setVisible (false);
        window->setTopLeftPosition (area.getX() + 60, area.getY() + 70);
        EXPECT_EQ (app.storedPosition().getPosition(), juce::Point<int> (area.getX() + 30, area.getY() + 40));
        window->setVisible (true);

        // A position loaded from outside moves the window.
        app.getPersistentTree().getChildWithName (Ids::UiPersistentProperties)
            .setProperty (Ids::windowPosition, juce::Rectangle<int> (area.getX() + 5, area.getY() + 6, 495, 660).toString(), nullptr);
        EXPECT_EQ (window->getPosition(), juce::Point<int> (area.getX() + 5, area.getY() + 6));
    }

    auto window = app.open();
    EXPECT_EQ (window->getPosition(), juce::Point<int> (area.getX() + 5, area.getY() + 6)) << "the next start opens it there";
}

TEST (MainWindow, GlSettingsFileIsCreatedOnceWithItsDefault)
{
    WindowApp app;
    const auto gl = Quor::CorvoMainWindow::glSettingsFile (app.company, "Window Tests");
    EXPECT_TRUE (gl.getFullPathName().contains ("\\Application Support\\" + app.company + "\\Window Tests\\gl"));

    app.open (true).reset();
    EXPECT_EQ (gl.loadFileAsString(), "1");

    app.open (false).reset();
    EXPECT_EQ (gl.loadFileAsString(), "1") << "an existing file keeps its content";
}

TEST (MainWindow, PositionOutlivesTheStateFile)
{
    WindowApp app;
    const auto area = primaryUserArea();
    const auto file = Quor::CorvoMainWindow::positionFile (app.company, "Window Tests");
    const juce::Rectangle<int> left (area.getX() + 12, area.getY() + 34, 495, 660);

    const auto forgetState = [&]
    {
        auto tree = app.getPersistentTree();
        tree.removeChild (tree.getChildWithName (Ids::UiPersistentProperties), nullptr);
    };

    {
        auto window = app.open();
        window->setTopLeftPosition (left.getPosition());
    }
    EXPECT_EQ (juce::Rectangle<int>::fromString (file.loadFileAsString()), left) << "written when the window closes";

    // The state file is gone after a finished run: the next start still opens where the user left it.
    forgetState();
    EXPECT_EQ (app.open()->getBounds(), left);

    // A position on a monitor that is no longer there: centred on the primary display.
    forgetState();
    file.replaceWithText (juce::Rectangle<int> (area.getRight() + 3000, 40, 495, 660).toString());
    const auto bounds = app.open()->getBounds();
    EXPECT_TRUE (area.contains (bounds)) << bounds.toString();
}
