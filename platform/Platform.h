#pragma once

#include <juce_core/juce_core.h>

#include <vector>

/** The Windows calls of the installer, behind one small seam. Engine and UI code call these and
    never Win32 directly. */
namespace platform
{
    /** What the shell answered to an elevated launch. */
    struct LaunchResult
    {
        bool started = false;
        unsigned long errorCode = 0;
    };

    /** ERROR_CANCELLED: the user declined the elevation prompt. */
    constexpr unsigned long errorCancelled = 1223;

    /** The services that tests stand in for: under Wine every process is an administrator and
        nothing prompts, and a test cannot let the application quit or the process end. */
    class Seam
    {
    public:
        virtual ~Seam() = default;

        /** True when the caller's token is a member of the built-in Administrators group. */
        virtual bool isRunningAsAdmin() = 0;

        /** Starts the executable with the verb "runas" and these parameters. */
        virtual LaunchResult launchElevated (const juce::String& executablePath, const juce::String& parameters) = 0;

        /** Asks the application to quit once its message loop has handled the request. */
        virtual void quitApplication() = 0;

        /** Shuts the application down and ends the process with the exit code. */
        virtual void terminateProcess (int exitCode) = 0;

        /** Opens a document with the application the user chose for its kind (the licence page
            in the browser). */
        virtual void openDocument (const juce::File& document) { document.startAsProcess(); }
    };

    /** From now on, every DLL the process loads by name is looked for in System32 alone: never
        in the folder the executable was started from, where anyone may have put one. */
    void restrictDllSearchToSystem();

    /** The seam in use: the real one unless a test replaced it. */
    Seam& seam();

    /** Replaces the seam; nullptr restores the real one. The caller keeps ownership. */
    void setSeam (Seam* replacement);

    /** Full path of the running executable, or empty when it cannot be obtained. */
    juce::String getExecutablePath();

    /** Decimal id of the running process. */
    unsigned long getCurrentProcessId();

    enum class Folder
    {
        userAppData,        // roaming application data of the user
        localAppData,
        commonAppData,      // ProgramData
        programFiles,
        programFilesX86,
        commonFiles,
        commonFilesX86,
        windows,
        system,
        userProfile,
        desktop,
        documents
    };

    /** A shell folder, or a default File when the system cannot tell it. Nothing is created. */
    juce::File getFolder (Folder which);

    /** The user's temporary folder as the system reports it. */
    juce::File getTempFolder();

    /** Adds the hidden and/or read-only attribute. False when the attributes could not be set. */
    bool addFileAttributes (const juce::File& file, bool hidden, bool readOnly);

    struct FileAttributes
    {
        bool exists = false, hidden = false, readOnly = false, directory = false, reparsePoint = false;
    };

    FileAttributes getFileAttributes (const juce::File& file);

    /** Deletes a file, or a folder with everything in it, clearing read-only attributes on the way.
        A symbolic link or junction is removed itself; what it points to is never touched. True when
        nothing is left of the path. */
    bool deletePath (const juce::File& path);

    /** True when two paths name the same file or folder as Windows compares them: letter case
        ignored by Windows' own rules (beyond ASCII too), "/" and "\\" alike, trailing separators,
        "." and ".." parts, "\\?\" prefixes and 8.3 short names of existing folders resolved. */
    bool isSamePath (const juce::String& a, const juce::String& b);

    /** The 8.3 short form of an existing path, as older programs write it; the path itself when
        the volume keeps none. */
    juce::String shortPathOf (const juce::File& path);

    /** The system's text for a Windows error code ("There is not enough space on the disk."). */
    juce::String systemMessage (unsigned long errorCode);

    /** Creates a folder with the missing folders above it, however long its path; fails with the
        system's reason naming the folder that could not be made. */
    juce::Result createFolders (const juce::File& folder);

    /** Renames a file or folder; fails, with the system's reason, when the target exists. The
        Windows error code of a failure goes to errorCode when it is given. */
    juce::Result movePath (const juce::File& from, const juce::File& to, unsigned long* errorCode = nullptr);

    /** Windows error codes of a file that another handle holds for a moment or for good. */
    constexpr unsigned long errorAccessDenied = 5, errorSharingViolation = 32, errorLockViolation = 33;

    /** Replaces target with data in one rename from a hidden file beside it: on failure the old file
        stays as it was. The message names the file and gives the system's reason. */
    juce::Result replaceFile (const juce::File& target, const void* data, size_t size);

    /** A new file, written as the system caches it: nothing forces each write to the disk on its
        own. An existing plain file is replaced; a hidden, system or read-only one makes the open
        fail. Closed when this goes, if close() was not called. */
    class NewFile final
    {
    public:
        explicit NewFile (const juce::File& file);
        ~NewFile();

        /** False when the file could not be created; getError() says why. */
        bool openedOk() const   { return handle != nullptr; }

        /** Writes all of the bytes, or fails with the system's reason. */
        bool write (const void* data, size_t size);

        /** Sets the creation, last-write and last-access times, in one call. */
        bool setTimes (juce::Time time);

        /** Closes the file; false when the system reports an error on closing. */
        bool close();

        /** The system's text for the last failure. */
        juce::String getError() const   { return error; }

    private:
        void* handle = nullptr;
        juce::String error;
        JUCE_DECLARE_NON_COPYABLE (NewFile)
    };

    /** True when another program holds the file or folder so that it cannot be renamed or
        deleted now: open without sharing deletion (a folder too, as a command prompt standing in
        it holds it), or loaded as a program module (which Windows lets rename but neither write
        nor delete). A read-only attribute is no hold: it is looked past and left as it was. */
    bool isFileHeld (const juce::File& file);

    /** A program as the Restart Manager names it. */
    struct ProcessInfo
    {
        juce::String name;
        unsigned long id = 0;
    };

    /** The programs that the Restart Manager finds using any of the files, loaded modules
        included; empty where it cannot tell (Wine names none). */
    std::vector<ProcessInfo> programsUsingAny (const juce::Array<juce::File>& files);

    /** The root of the volume (drive or mounted folder) that holds path, or that would hold it:
        a path that does not exist yet is taken by its nearest existing folder, and a link or
        junction on the way is followed to where it leads. */
    juce::File volumeOf (const juce::File& path);

    /** Has Windows delete a file, or a folder once it is empty, when it next starts. Needs
        administrator rights. */
    bool removeAtRestart (const juce::File& path);

    /** A file that exists as long as this object lives, and at most as long as the process: the
        system deletes it when the handle closes, however the process ends. Nobody else can open
        or delete it meanwhile, so that another process can tell by it that this one still runs. */
    class LifetimeMarker final
    {
    public:
        /** Creates the file; a file that exists already is refused (isHeld() is then false). */
        explicit LifetimeMarker (const juce::File& file);
        ~LifetimeMarker();

        bool isHeld() const     { return handle != nullptr; }

        /** Lets the marker live on until the process ends. */
        void keepUntilExit()    { handle = nullptr; }

    private:
        void* handle = nullptr;
        JUCE_DECLARE_NON_COPYABLE (LifetimeMarker)
    };

    /** Gives a moved file or folder (with everything in it) the access rights its new folder
        passes on, instead of those it brought from where it was made. */
    bool inheritAccessFromParent (const juce::File& path);

    /** A named lock that one process at a time can hold, for as long as this object lives (or until
        the process ends, however it ends). */
    class InstanceLock final
    {
    public:
        /** Tries to take the lock, for up to waitMs while another process holds it. */
        InstanceLock (const juce::String& name, int waitMs);
        ~InstanceLock();

        bool isHeld() const     { return handle != nullptr; }

    private:
        void* handle = nullptr;
        JUCE_DECLARE_NON_COPYABLE (InstanceLock)
    };

    /** Runs a command line without a window and without waiting for it, in the given folder, with
        this process's environment and the given variables added to it. */
    bool startHiddenProcess (const juce::String& commandLine, const juce::File& workingFolder,
                             const juce::StringPairArray& extraEnvironment = {});

    /** The access rights createAdminOnlyFolder gives, in the system's text form (SDDL). */
    juce::String adminOnlyAccess();

    /** Creates a folder that only Administrators and SYSTEM may use, it and everything made in it.
        False if it cannot be made with that protection from the start (it exists already, or its
        place does not). */
    bool createAdminOnlyFolder (const juce::File& folder);

    /** A GUI program has no console: attach to the parent's one when standard output is not
        redirected, so that a run from a command prompt shows its lines. */
    void attachParentConsole();

    /** Writes one line and a line end to standard output and flushes it: as UTF-16 to a console,
        which shows every name as it is, and as UTF-8 to a file or a pipe. */
    void writeLine (const juce::String& line);

    /** From now on every line that writeLine writes goes to this file as well: UTF-8, appended,
        CR LF line ends, its folders made when missing. Other processes may read and append to it
        meanwhile (the elevated copy of the installer writes to the same log). */
    juce::Result openLogFile (const juce::File& file);

    /** The file that openLogFile opened, or a default File. */
    juce::File logFile();

    /** Stops writing to the log file. */
    void closeLogFile();

    /** Writes text to standard output when that is a console; false (nothing written) otherwise. */
    bool writeToConsole (const juce::String& text);
}
