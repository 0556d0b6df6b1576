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

        listView.setViewedComponent (&list, false);
        listView.setScrollBarsShown (true, false);
        listView.setScrollBarThickness (8);
        addAndMakeVisible (listView);

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
        refreshList();
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

    void WelcomePage::refreshList()
    {
        auto going = uninstallPaths;
        going.addArray (optionPaths);

        juce::Array<juce::Component*> boxes;

        for (auto* box : optionCheckboxes)
            boxes.add (box);

        list.setRows (going, keptPaths, boxes);
        layOutList();
    }

    void WelcomePage::layOutList()
    {
        // Everything between the heading and UNINSTALL: a scroll bar where the rows do not fit.
        listView.setBounds (0, UninstallList::pageTop, getWidth(), juce::jmax (0, installButton.getY() - 10 - UninstallList::pageTop));
        list.layOut (getWidth(), 0);

        if (list.getHeight() > listView.getHeight())
            list.layOut (getWidth() - listView.getScrollBarThickness(), 0);
    }

    void WelcomePage::resized()
    {
        Installer::WelcomePage::resized();

        for (auto* box : componentCheckboxes)
            box->setBounds ({});

        for (auto* button : pathButtons)
            button->setBounds ({});

        agreeCheckbox.setBounds ({});
        layOutList();
    }

    void WelcomePage::paint (juce::Graphics& g)
    {
        Page::paint (g);

        g.setColour (textGrey);
        g.setFont (robotoMedium().withHeight (14.0f));
        g.drawMultiLineText ("The following plugin/app paths will be uninstalled:", 55, 205, getWidth() - 110, juce::Justification::left, 0.0f);
    }
}
