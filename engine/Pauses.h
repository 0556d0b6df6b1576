#pragma once

/** The procedures' fixed pauses and bounds, in milliseconds, in one place: the steps read them
    from here, and so do the tests and the benchmark (which parses this file). */
namespace CorvoAudio::pauses
{
    // Waiting for the manifest copy to fill.
    constexpr int manifestAttempts = 200;
    constexpr int manifestStep = 50;

    // The installation.
    constexpr int beforePayload = 1000;
    constexpr int perObject = 300;              // a plain sleep, not shortened by a stop
    constexpr int aroundPostInstall = 500;      // before and after each post-install command
    constexpr int beforeRegistry = 500;
    constexpr int afterRegistryError = 2500;
    constexpr int afterStartMenuLink = 500;
    constexpr int afterStartMenuResult = 1000;
    constexpr int endOfInstall = 500;

    // The deinstallation.
    constexpr int afterRegistryLookup = 1500;
    constexpr int perRemovedObject = 2000;
    constexpr int beforeRegistryRemoval = 1000;
    constexpr int afterRegistryRemoval = 1000;

    // The end report.
    constexpr int beforeResultPage = 1500;
    constexpr int headlessExitAfterSuccess = 500;
    constexpr int headlessExitAfterErrors = 1500;

    // Files in use: a hold is looked at again for this long before it counts (a virus scanner,
    // the search indexer or Explorer lets go within moments), once per step.
    constexpr int inUseRetryFor = 3000;
    constexpr int inUseRetryStep = 250;

    // A rename that another handle refuses is tried again for this long, once per step.
    constexpr int moveRetryFor = 3000;
    constexpr int moveRetryStep = 100;

    // The self-deletion script: how long it tries to delete the uninstaller once it has exited.
    constexpr int selfDeletionAfterExit = 300000;
}
