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

TEST (MainWindow, UsablePositions)
{
    const auto area = primaryUserArea();
    const juce::Rectangle<int> centred (area.getWidth() / 2 - 495 / 2 + area.getX(), area.getHeight() / 2 + area.getY() - 660 / 2, 495, 660);

    struct Case { juce::Rectangle<int> stored, expected; const char* why; };
    const Case cases[] = {
        { {}, centred, "nothing stored" },
        { { 100, 100, 1, 660 }, centred, "width 1 counts as absent" },
        { { 40, 30, 495, 660 }, { 40, 30, 495, 660 }, "a usable position is kept" },
        { { area.getRight() + 2000, 100, 495, 660 }, centred, "on a monitor that is gone" },
        { { area.getX() - 100, area.getY() + 20, 495, 660 }, { area.getX(), area.getY() + 20, 495, 660 }, "partly off: moved inside" },
    };

    for (const auto& c : cases)
    {
        auto expected = c.expected;
        if (expected.getBottom() > area.getBottom())
            expected = expected.constrainedWithin (area);
        EXPECT_EQ (Quor::CorvoMainWindow::usablePosition (c.stored, { 495, 660 }), expected) << c.why;
    }
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
