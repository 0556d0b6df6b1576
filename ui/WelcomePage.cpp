#include "WelcomePage.h"
#include "EmbeddedResources.h"
#include "Fonts.h"
#include "Identifiers.h"
#include "InstallerProcess.h"
#include "ObjectRules.h"
#include "Platform.h"

namespace Installer
{
    namespace
    {
        void writeFlag (const juce::File& file, bool state)
        {
            if (file == juce::File())
                return;

            if (! file.existsAsFile())
                file.create();

            file.replaceWithText (state ? "1" : "0");
        }

        const juce::Colour pathColour { 0xddb4b5b5 };

        /** The first tree of that type below tree, depth first. */
        juce::ValueTree firstOfType (const juce::ValueTree& tree, const juce::Identifier& type)
        {
            for (const auto& child : tree)
            {
                if (child.hasType (type))
                    return child;

                if (auto found = firstOfType (child, type); found.isValid())
                    return found;
            }

            return {};
        }
    }

    juce::File WelcomePage::openGLFlagFile (const juce::String& companyName, const juce::String& appName)
    {
        const auto appData = platform::getFolder (platform::Folder::userAppData);

        if (appData == juce::File())
            return {};

        return appData.getChildFile (companyName).getChildFile (appName).getChildFile ("gl");
    }

    WelcomePage::WelcomePage (Quor::CorvoApp& application)
        : WelcomePage (application, Purpose::install)
    {
    }

    WelcomePage::WelcomePage (Quor::CorvoApp& application, Purpose purpose)
        : Page (application, AppProperties::welcome)
    {
        addAndMakeVisible (installButton);
        installButton.onClick = [this] { install(); };
        installButton.setEnabled (false);
        installButton.setLabel ("INSTALL");

        runtimeProperties.onAdminPermissionsChanged = [this] (bool admin)
        {
            if (admin)
                installButton.shieldIcon.reset();
        };

        if (runtimeProperties.getAdminPermissions())
            installButton.shieldIcon.reset();

        initUiElements (purpose);

        licenseDisclaimer = std::make_unique<ClickableLicenseDisclaimer> (manifestProperties.getAppName(), [this] { openLicenseTerms(); });
        addAndMakeVisible (*licenseDisclaimer);

        addAndMakeVisible (agreeCheckbox);
        agreeCheckbox.onClick = [this] { updateInstallButton(); };
        updateInstallButton();

        // Tab walks the page top to bottom, as it reads.
        setFocusContainerType (FocusContainerType::keyboardFocusContainer);
    }

    WelcomePage::~WelcomePage()
    {
        masterReference.clear();
    }

    void WelcomePage::updateInstallButton()
    {
        juce::StringArray leftOut;

        for (size_t i = 0; i < visibleObjects.size(); ++i)
            if (! componentCheckboxes[(int) i]->getToggleState())
                leftOut.add (visibleObjects[i].objectPath);

        const auto somethingChosen = CorvoAudio::leavesSomethingToInstall (manifestProperties.getObjects(), leftOut);
        const auto agreed = agreeCheckbox.getToggleState();

        installButton.setEnabled (somethingChosen && agreed);
        installButton.setDescription (! somethingChosen ? "Tick at least one component to install."
                                      : ! agreed        ? "Tick \"I agree\" to install."
                                                        : juce::String());
    }

    void WelcomePage::initUiElements (Purpose purpose)
    {
        const auto objects = manifestProperties.getObjects();

        for (const auto& object : objects)
        {
            if (! object.visible)
                continue;

            const auto row = (int) visibleObjects.size();
            visibleObjects.push_back (object);

            auto* box = componentCheckboxes.add (new CheckmarkWithText (object.objectName));
            addAndMakeVisible (box);
            box->setToggleState (object.defaultSelection, juce::dontSendNotification);
            box->setEnabled (object.installationOptional);
            box->onClick = [this] { updateInstallButton(); };

            auto* pathButton = pathButtons.add (new SelectPathButton());
            pathButton->normalIcon = resources::getDrawable ("DestChoose_Normal_svg");
            pathButton->hoverIcon = resources::getDrawable ("DestChoose_Hover_svg");
            pathButton->setTitle ("Choose the folder for " + object.objectName);

            auto path = object.defaultInstallPath;
            CorvoAudio::resolvePathPlaceholders (path);
            installPaths.add (path);

            if (object.allowUserPath)
            {
                addAndMakeVisible (pathButton);
                pathButton->onClick = [this, row] { chooseFolder (row); };
            }
        }

        const auto option = firstOfType (manifestProperties.getTree(), Ids::HasOpenGLOption);

        if (purpose == Purpose::install && manifestBool (option.getProperty (Ids::value)))
        {
            openGLCheckbox = std::make_unique<CheckmarkWithText> ("Enable OpenGL (not recommended)");
            addAndMakeVisible (*openGLCheckbox);

            const auto flagFile = openGLFlagFile (manifestProperties.getCompanyName(), manifestProperties.getAppName());
            auto state = manifestBool (option.getProperty (Ids::defaultValue));

            if (! flagFile.existsAsFile())
                writeFlag (flagFile, state);
            else
                state = flagFile.loadFileAsString().getIntValue() != 0;

            openGLCheckbox->setToggleState (state, juce::dontSendNotification);
            openGLCheckbox->onClick = [this, flagFile] { writeFlag (flagFile, openGLCheckbox->getToggleState()); };
        }
    }

    void WelcomePage::chooseFolder (int row)
    {
        fileChooser = std::make_unique<juce::FileChooser> ("Select destination directory",
                                                           juce::File (visibleObjects[(size_t) row].defaultInstallPath));

        juce::WeakReference<WelcomePage> weakThis (this);
        fileChooser->launchAsync (juce::FileBrowserComponent::openMode | juce::FileBrowserComponent::canSelectDirectories,
                                  [weakThis, row] (const juce::FileChooser& chooser)
        {
            if (weakThis == nullptr)
                return;

            const auto problem = weakThis->takeChosenFolder (row, chooser.getResult());

            if (problem.isNotEmpty())
                juce::AlertWindow::showAsync (juce::MessageBoxOptions().withIconType (juce::MessageBoxIconType::WarningIcon)
                                                                       .withTitle ("Select destination directory")
                                                                       .withMessage (problem)
                                                                       .withButton ("OK"),
                                              nullptr);
        });
    }

    juce::String WelcomePage::takeChosenFolder (int row, const juce::File& folder)
    {
        if (folder == juce::File() || ! folder.isDirectory() || row < 0 || row >= installPaths.size())
            return {};

        // The folder becomes the parent of what is installed and of what an uninstall removes:
        // a system or shared folder itself would hand those over to the installer.
        if (const auto problem = CorvoAudio::userFolderProblem (folder.getFullPathName()); problem.isNotEmpty())
            return "This folder cannot be used: " + problem + ". The folder stays " + installPaths[row] + ".";

        installPaths.set (row, folder.getFullPathName());
        repaint();
        return {};
    }

    void WelcomePage::install()
    {
        applySelection();
        const auto admin = runtimeProperties.getAdminPermissions();

        // Either write may replace this page, its views included: they go through views of
        // their own, and nothing of the page is used after them.
        AppProperties pages;
        pages.setTree (app.getPersistentTree(), false);
        RuntimeProperties runtime;
        runtime.setTree (app.getRuntimeTree(), false);
        pages.setNextPageToShow (AppProperties::install);

        if (admin)
            runtime.changePage();
    }

    void WelcomePage::applySelection()
    {
        ManifestProperties working (false);
        working.setTree (app.getPersistentTree(), true);

        {
            const juce::ScopedLock lock (manifestLock);
            working.getTree().copyPropertiesAndChildrenFrom (manifestProperties.getTree(), nullptr);
        }

        for (size_t i = 0; i < visibleObjects.size(); ++i)
        {
            const auto& object = visibleObjects[i];

            if (object.installationOptional && ! componentCheckboxes[(int) i]->getToggleState())
                working.removeObject (object.objectPath);
            else if (object.allowUserPath)
                working.setObjectInstallPath (object.objectPath, installPaths[(int) i]);
        }
    }

    void WelcomePage::openLicenseTerms()
    {
        const auto folder = app.getStateFile().getParentDirectory();
        const auto pdf = folder.getChildFile ("EULA.pdf");
        const auto html = folder.getChildFile ("EULA.html");

        for (const auto& file : { pdf, html })
            if (file.existsAsFile())
                file.deleteFile();

        const auto table = resources::embeddedTable();

        for (int i = 0; i < table.size; ++i)
        {
            auto size = 0;
            const auto* data = table.lookup (table.identifiers[i], size);

            if (data == nullptr || size <= 0)
                continue;

            const juce::String name (table.originalFilenames[i]);

            if (name == "EULA.pdf")
            {
                folder.createDirectory();
                {
                    juce::FileOutputStream out (pdf, 16384);

                    if (out.openedOk())
                        out.write (data, (size_t) size);
                }

                if (pdf.existsAsFile())
                    platform::seam().openDocument (pdf);

                return;
            }

            if (name == "EULA.html.zip")
            {
                juce::ZipFile zip (new juce::MemoryInputStream (data, (size_t) size, false), true);

                for (int entry = 0; entry < zip.getNumEntries(); ++entry)
                {
                    if (! zip.getEntry (entry)->filename.contains ("EULA.html"))
                        continue;

                    std::unique_ptr<juce::InputStream> in (zip.createStreamForEntry (entry));

                    if (in == nullptr)
                        continue;

                    folder.createDirectory();
                    {
                        juce::FileOutputStream out (html, 16384);

                        if (out.openedOk())
                            out.writeFromInputStream (*in, -1);
                    }

                    if (html.existsAsFile())
                        platform::seam().openDocument (html);

                    break;
                }

                return;
            }
        }
    }

    void WelcomePage::resized()
    {
        Page::resized();

        const auto w = getWidth();
        const auto n = (int) visibleObjects.size();
        const auto gl = openGLCheckbox != nullptr;

        installButton.setBounds (w / 2 - 123, 555, 246, 51);

        auto step = 90;

        if ((n == 3 && ! gl) || (n == 2 && gl))
            step = 71;
        else if ((n == 4 && ! gl) || (n == 3 && gl))
            step = 60;
        else if (n == 5 || (n == 4 && gl))
            step = 49;

        for (int i = 0; i < n; ++i)
        {
            juce::Rectangle<int> row (25, 200 + i * step, w - 50, 20);

            if (visibleObjects[(size_t) i].allowUserPath)
            {
                const auto s = juce::jmin (50, row.getWidth());
                pathButtons[i]->setBounds (row.getRight() - s, row.getY(), s, 20);
                row.setWidth (row.getWidth() - s);
            }

            componentCheckboxes[i]->setBounds (25, row.getY(), row.getWidth(), 20);
        }

        if (gl)
            openGLCheckbox->setBounds (25, 200 + n * step, w - 50, 20);

        welcomeTextArea = { 55.0f, 20.0f, (float) w - 110.0f, 20.0f };

        if (licenseDisclaimer != nullptr)
        {
            licenseDisclaimer->setBounds (55, 465, w - 110, 40);

            if (! componentCheckboxes.isEmpty())
            {
                const auto* last = componentCheckboxes.getLast();
                agreeCheckbox.setBounds (last->getX(), licenseDisclaimer->getBottom() + 5, last->getWidth(), last->getHeight());
            }
        }
    }

    void WelcomePage::paint (juce::Graphics& g)
    {
        Page::paint (g);

        g.setColour (pathColour);

        for (int i = 0; i < componentCheckboxes.size(); ++i)
        {
            const auto box = componentCheckboxes[i]->getBounds().toFloat();
            g.setFont (robotoLight().withHeight (0.75f * box.getHeight()));
            g.drawText (installPaths[i], juce::Rectangle<float> (55.0f, box.getBottom() + 5.0f, box.getWidth(), box.getHeight()),
                        juce::Justification::topLeft, true);
        }

        if (openGLCheckbox != nullptr)
        {
            const auto box = openGLCheckbox->getBounds().toFloat();
            g.setFont (robotoLight().withHeight (0.75f * box.getHeight()));

            const char* lines[] = { "If your system supports OpenGL, this might improve",
                                    "plugin GUI performance in some DAWs like",
                                    "Reaper, Cubase, Nuendo and Studio One." };

            for (int i = 0; i < 3; ++i)
                g.drawText (lines[i], juce::Rectangle<float> (55.0f, box.getBottom() + 5.0f + (float) i * box.getHeight(),
                                                              box.getWidth(), box.getHeight()),
                            juce::Justification::centredLeft, true);
        }

        g.setColour (pageTextColour);
        g.setFont (robotoLight().withHeight (welcomeTextArea.getHeight()));
        g.drawText ("Welcome to the", welcomeTextArea, juce::Justification::centredLeft, true);
    }
}
