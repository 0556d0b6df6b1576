#include "UninstallerWelcomePage.h"
#include "Fonts.h"
#include "Identifiers.h"
#include "UninstallRegistry.h"

namespace Uninstaller
{
    namespace
    {
        const juce::Colour textGrey = juce::Colour (0xff808080).brighter (0.4f);
    }

    WelcomePage::WelcomePage (Quor::CorvoApp& application)
        : Installer::WelcomePage (application, Purpose::uninstall)
    {
        for (auto* box : componentCheckboxes)
            box->setVisible (false);

        for (auto* button : pathButtons)
            button->setVisible (false);

        licenseDisclaimer.reset();
        agreeCheckbox.setVisible (false);

        installButton.setLabel ("UNINSTALL");
        installButton.setEnabled (true);
        installButton.setDescription ({});

        initUninstallOptionsUi();
        updateOptionStates();
    }

    void WelcomePage::initUninstallOptionsUi()
    {
        // The paths come from the code the uninstall itself runs: what the registration recorded
        // wins over the manifest's default folders, exactly as it will when the files go.
        registration = CorvoAudio::readUninstallRegistry (manifestProperties.getString (Ids::AppUuid));
        std::vector<ManifestObject> removable;

        for (const auto& object : manifestProperties.getObjects())
        {
            if (object.isUninstaller || object.preventUninstall)
                continue;

            removable.push_back (object);

            if (object.uninstallOptionId.isEmpty())
                if (const auto target = CorvoAudio::resolveUninstallTarget (registration, object); target != juce::File())
                    uninstallPaths.add (target.getFullPathName());
        }

        // The options as the deinstallation reads them: defaults and requirements merged over
        // every object that names an option.
        uninstallOptions = CorvoAudio::uninstallOptions (removable);

        for (const auto& option : uninstallOptions)
        {
            auto* box = optionCheckboxes.add (new CheckmarkWithText (option.label));
            addAndMakeVisible (box);
            box->setAlpha (209.0f / 255.0f);
            box->setToggleState (option.selected, juce::dontSendNotification);
            box->onClick = [this] { updateOptionStates(); };
        }
    }

    void WelcomePage::updatePlan()
    {
        // What the ticked options add and what stays, from the uninstall's own work list.
        const auto objects = manifestProperties.getObjects();
        const auto selection = getSelectedUninstallOptions().joinIntoString (",");
        optionPaths.clear();

        for (const auto& object : CorvoAudio::uninstallWorkList (objects, selection))
            if (object.uninstallOptionId.isNotEmpty())
                if (const auto target = CorvoAudio::resolveUninstallTarget (registration, object); target != juce::File())
                    optionPaths.addIfNotAlreadyThere (target.getFullPathName());

        keptPaths = CorvoAudio::pathsKeptByUninstall (registration, objects, selection, manifestProperties.getAppName());
        repaint();
    }

    void WelcomePage::updateOptionStates()
    {
        if (optionCheckboxes.isEmpty())
        {
            updatePlan();
            return;
        }

        const auto indexOf = [this] (const juce::String& id)
        {
            for (size_t i = 0; i < uninstallOptions.size(); ++i)
                if (uninstallOptions[i].optionId == id)
                    return (int) i;

            return -1;
        };

        // What a ticked option requires is ticked too, through every level.
        for (auto changed = true; changed;)
        {
            changed = false;

            for (size_t i = 0; i < uninstallOptions.size(); ++i)
            {
                if (! optionCheckboxes[(int) i]->getToggleState())
                    continue;

                for (const auto& id : uninstallOptions[i].requires)
                {
                    const auto required = indexOf (id);

                    if (required >= 0 && ! optionCheckboxes[required]->getToggleState())
                    {
                        optionCheckboxes[required]->setToggleState (true, juce::dontSendNotification);
                        changed = true;
                    }
                }
            }
        }

        // ...and cannot be unticked while anything ticked requires it.
        for (size_t j = 0; j < uninstallOptions.size(); ++j)
        {
            auto requiredBy = 0;

            for (size_t i = 0; i < uninstallOptions.size(); ++i)
                if (optionCheckboxes[(int) i]->getToggleState())
                    for (const auto& id : uninstallOptions[i].requires)
                        if (id == uninstallOptions[j].optionId)
                            ++requiredBy;

            optionCheckboxes[(int) j]->setEnabled (requiredBy == 0);
        }

        updatePlan();
    }

    juce::StringArray WelcomePage::getSelectedUninstallOptions() const
    {
        juce::StringArray ids;

        for (size_t i = 0; i < uninstallOptions.size(); ++i)
            if (optionCheckboxes[(int) i]->getToggleState())
                ids.add (uninstallOptions[i].optionId);

        return ids;
    }

    void WelcomePage::applySelection()
    {
        // An uninstall removes every object the registration may list, whatever the install's
        // default selection was: the page takes the manifest whole, with the ticked options.
        ManifestProperties working (false);
        working.setTree (app.getPersistentTree(), true);

        const juce::ScopedLock lock (manifestLock);
        working.getTree().copyPropertiesAndChildrenFrom (manifestProperties.getTree(), nullptr);
        working.getTree().setProperty (Ids::SelectedUninstallOptions, getSelectedUninstallOptions().joinIntoString (","), nullptr);
    }

    void WelcomePage::resized()
    {
        Installer::WelcomePage::resized();

        for (auto* box : componentCheckboxes)
            box->setBounds ({});

        for (auto* button : pathButtons)
            button->setBounds ({});

        agreeCheckbox.setBounds ({});

        const auto w = (float) getWidth();
        pathsHeadingArea = { 55.0f, 205.0f, w - 110.0f, 20.0f };
        pathsListArea = { 55.0f, 230.0f, w - 110.0f, 140.0f };
        optionsHeadingArea = { 55.0f, 390.0f, w - 110.0f, 20.0f };

        for (int k = 0; k < optionCheckboxes.size(); ++k)
            optionCheckboxes[k]->setBounds (25, 420 + 34 * k, getWidth() - 50, 16);
    }

    void WelcomePage::paint (juce::Graphics& g)
    {
        Page::paint (g);

        const auto w = getWidth();
        g.setColour (textGrey);
        g.setFont (robotoMedium().withHeight (14.0f));
        g.drawMultiLineText ("The following plugin/app paths will be uninstalled:", 55, 205, w - 110, juce::Justification::left, 0.0f);

        g.setFont (robotoRegular().withHeight (13.0f));

        const auto line = [w] (int k) { return juce::Rectangle<float> (55.0f, 230.0f + 20.0f * (float) k, (float) w - 110.0f, 18.0f); };

        auto going = uninstallPaths;
        going.addArray (optionPaths);

        for (int k = 0; k < going.size(); ++k)
            g.drawText ("- " + going[k], line (k), juce::Justification::topLeft, true);

        if (! keptPaths.empty())
        {
            // Below the paths, above the options (or the button): as many lines as fit, the last
            // one counting the rest. A long path gives way to its reason, which always shows.
            const auto bottom = optionCheckboxes.isEmpty() ? 545.0f : pathsListArea.getBottom();
            const auto font = robotoLight().withHeight (13.0f);
            auto k = going.size();
            g.setColour (textGrey.withAlpha (0.8f));
            g.setFont (font);
            g.drawText ("These stay:", line (k++), juce::Justification::topLeft, true);

            for (size_t i = 0; i < keptPaths.size(); ++i, ++k)
            {
                auto area = line (k);
                const auto last = line (k + 1).getBottom() > bottom;

                if (last && i + 1 < keptPaths.size())
                {
                    g.drawText ("- and " + juce::String ((int) (keptPaths.size() - i)) + " more", area, juce::Justification::topLeft, true);
                    break;
                }

                const auto reason = " (" + keptPaths[i].reason + ")";
                const auto reasonWidth = juce::jmin (area.getWidth() / 2.0f, font.getStringWidthFloat (reason) + 2.0f);
                const auto pathArea = area.removeFromLeft (juce::jmin (area.getWidth() - reasonWidth,
                                                                       font.getStringWidthFloat ("- " + keptPaths[i].path.getFullPathName()) + 1.0f));
                g.drawText ("- " + keptPaths[i].path.getFullPathName(), pathArea, juce::Justification::topLeft, true);
                g.drawText (reason, area, juce::Justification::topLeft, true);

                if (last)
                    break;
            }
        }

        if (! optionCheckboxes.isEmpty())
        {
            g.setColour (textGrey.withAlpha (0.8f));
            g.setFont (robotoLight().withHeight (13.0f));
            g.drawText ("Optional components:", optionsHeadingArea, juce::Justification::centredLeft, true);
        }
    }
}
