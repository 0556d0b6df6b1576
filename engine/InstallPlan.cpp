#include "InstallPlan.h"
#include "Identifiers.h"
#include "InstallerProcess.h"
#include "ObjectRules.h"
#include "Platform.h"

namespace CorvoAudio
{
    InstallPlan makeInstallPlan (const ManifestProperties& manifest)
    {
        InstallPlan plan;
        const juce::ScopedLock lock (manifestLock);

        plan.appName = manifest.getAppName();
        plan.appVersion = manifest.getAppVersion();
        plan.appUuid = manifest.getString (Ids::AppUuid);
        plan.companyName = manifest.getCompanyName();
        plan.webLink = manifest.getString (Ids::WebLink);

        for (const auto& object : manifest.getObjects())
        {
            PlannedObject planned;
            planned.object = object;
            planned.entryName = object.objectPath.replace ("/", "\\");
            planned.problem = objectProblem (object);
            planned.destination = destinationOf (object);
            planned.installed = installedPathOf (object);
            planned.target = object.defaultInstallPath;
            resolvePathPlaceholders (planned.target);
            plan.objects.push_back (planned);
        }

        // A later main object overrides an earlier one; without one, the first object's folder.
        for (const auto& planned : plan.objects)
        {
            if (planned.object.isMainApplication && planned.problem.isEmpty())
            {
                plan.mainFolder = planned.destination;
                plan.mainApplicationPath = planned.installed.getFullPathName();
            }
        }

        if (plan.mainFolder == juce::File())
            for (const auto& planned : plan.objects)
                if (planned.problem.isEmpty() && (plan.mainFolder = planned.destination) != juce::File())
                    break;

        return plan;
    }

    juce::Array<juce::File> InstallPlan::replacedPaths() const
    {
        juce::Array<juce::File> paths;

        for (const auto& planned : objects)
            if (planned.problem.isEmpty() && (planned.installed.exists() || platform::getFileAttributes (planned.installed).exists))
                paths.addIfNotAlreadyThere (planned.installed);

        return paths;
    }

    juce::Array<juce::File> InstallPlan::destinations() const
    {
        juce::Array<juce::File> folders;

        for (const auto& planned : objects)
            if (planned.problem.isEmpty())
                folders.addIfNotAlreadyThere (planned.destination);

        return folders;
    }
}
