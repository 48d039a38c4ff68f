// The one seam between the portable core and the operating system.
//
// Everything the splitter and the joiner need from the system (files, free
// space, the program's own path, directory listings) is declared here and
// implemented once per platform. This header includes no system header, so
// the core compiles unchanged everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace portelan::platform {

// Called once at program start: makes a write beyond a file-size limit fail
// with an error instead of ending the process, among other process settings.
void InitProcess();

// True for the characters that separate directories in a path.
bool IsPathSeparator(char c);
// The separator this platform appends to a directory.
char PathSeparator();

// Why an operation failed, as the system numbered it (errno on POSIX,
// GetLastError on Windows); code 0 when nothing failed or the system gave no
// reason (a short read, a refused name).
struct Error {
    std::uint32_t code = 0;
    bool IsSet() const { return code != 0; }
};

// The system's own text for error, in the system's language, without a
// final line break; empty for an error that is not set.
std::string ErrorText(Error error);

// What an operation without a value of its own reports.
struct Outcome {
    bool ok = true;
    Error error;
    explicit operator bool() const { return ok; }
};

// An open file. Owns its handle: closes it on destruction, cannot be copied,
// and leaves a moved-from object closed.
class File {
  public:
    enum class Mode {
        Read,         // existing file, reading only
        CreateWrite,  // create, or truncate an existing file, for writing and reading back
        CreateNew,    // the same, but fails when the name exists
        WriteExisting // existing file for writing, without truncating it
    };

    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens path; false on any failure, never throws.
    bool Open(const std::string& path, Mode mode);
    bool IsOpen() const { return m_handle != kInvalid; }

    // Reads up to n bytes at the current position. Returns the count read,
    // 0 at the end of the file, -1 on an error.
    std::int64_t Read(void* buffer, std::size_t n);
    // Reads up to n bytes at offset without moving the position; same results.
    std::int64_t ReadAt(void* buffer, std::size_t n, std::int64_t offset);
    // Writes all n bytes at the current position; false on any error,
    // a full disk or a file-size limit included.
    bool Write(const void* buffer, std::size_t n);
    // Writes all n bytes at offset, extending the file as needed; the
    // position afterwards is unspecified. False on any error.
    bool WriteAt(const void* buffer, std::size_t n, std::int64_t offset);
    // The file's length in bytes, or -1 when it cannot be determined.
    std::int64_t Length();
    // Gives read permission's matching execute permission (owner, group, others).
    bool MakeExecutable();
    // Cuts the file to its first length bytes and moves the position there.
    bool Truncate(std::int64_t length);
    // A second handle on the same open file, for reading back what was
    // written while this one goes on (or is closed); null when none can be had.
    std::shared_ptr<File> Duplicate() const;
    // Takes an exclusive lock on the open file that lasts until the file is
    // closed or the process ends, however it ends; false when another
    // process holds it (true where the file system has no locks). Locks
    // only against others that ask for it too.
    bool TryLock();
    // A number that tells this file from every other on the system's
    // volumes (device and inode; volume serial and file index); nullopt
    // when the system does not say.
    std::optional<std::uint64_t> Identity() const;
    // Closes the file; false when closing reported an error (data may be lost).
    bool Close();
    // Makes the system put everything written through any handle of the file
    // on the medium, and returns only when it is there; false when it could
    // not (the written data may be lost, as after a failed write).
    bool Flush();
    // The same for the bytes from offset on (length of them) alone, without
    // the system's records of the file: for a file that is read back while
    // it is still written, and flushed whole at its end. Where the system
    // has no such call, the whole file.
    bool FlushRange(std::int64_t offset, std::int64_t length);
    // Has the system start putting those bytes on the medium, without
    // waiting for them: a later FlushRange or Flush then waits less, and
    // reports what failed. Where the system has no such call, nothing.
    void StartFlush(std::int64_t offset, std::int64_t length);
    // Whether the two above take a range alone; Windows flushes whole files.
#if defined(_WIN32)
    static constexpr bool kFlushesRanges = false;
#else
    static constexpr bool kFlushesRanges = true;
#endif
    // From now on, reads through this handle come from the medium instead
    // of the system's cache, after a Flush; false where the system refuses
    // (reads then go on from the cache). Reads should then be of whole
    // blocks of kMediumBlock bytes at offsets that are multiples of it
    // (Windows requires it); at the end of the file they return fewer.
    // Called again for each range of a file read back while it is written,
    // it lets go of that range's cached pages (length 0: to the end) and
    // keeps the handle it has. On POSIX the reads of that range are plain
    // ones where the system tells that none of its pages is left in the
    // cache, and direct ones otherwise.
    bool BypassCache(std::int64_t offset = 0, std::int64_t length = 0);
    static constexpr std::size_t kMediumBlock = 4096;
    // Why the last operation on this file that failed did so.
    Error LastError() const { return m_error; }

    // The system handle, for the platform's own helpers only.
    std::intptr_t Handle() const { return m_handle; }

  private:
    static constexpr std::intptr_t kInvalid = -1;
    bool Failed(); // takes the system's error as m_error; false
    std::intptr_t m_handle = kInvalid;
    Error m_error;
    // How reads reach the file after BypassCache, one flag each: past the
    // cache for now; through an open file of its own (POSIX: its reads pass
    // the cache or not range by range); the system refused to pass it.
    static constexpr std::uint8_t kUnbuffered = 1, kOwnOpen = 2, kRefused = 4;
    std::uint8_t m_reads = 0;
};

// A lock with one condition to wait on: the system's own primitives, so that
// the joiner copy carries no thread library. Meets BasicLockable
// (lock/unlock), so std::unique_lock and std::lock_guard can hold it.
class Monitor {
  public:
    Monitor();
    ~Monitor();
    Monitor(const Monitor&) = delete;
    Monitor& operator=(const Monitor&) = delete;

    void lock();
    void unlock();
    // Releases the lock held by the caller, waits for a notification (or a
    // spurious wake-up), and takes the lock again.
    void Wait();
    void NotifyAll();

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// A thread of the system's own running entry(context). Its owner joins it:
// Join, or the destructor, waits for the entry to return.
class Thread {
  public:
    using Entry = void (*)(void* context);

    Thread() = default;
    ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Starts the thread; false (and nothing runs) when the system refuses.
    bool Start(Entry entry, void* context);
    void Join();

  private:
    std::intptr_t m_handle = 0;
    bool m_bRunning = false;
};

// Result of CopyBytes: how many bytes reached the output and why it stopped.
struct CopyResult {
    enum class Status { Ok, ReadFailed, WriteFailed, NoMemory };
    std::int64_t bytes = 0;
    Status status = Status::Ok;
    Error error; // the system's reason for a failed read or write
};

// Copies up to n bytes from the current position of in to the current
// position of out, letting the kernel copy where it can. Stops early, with
// status Ok, at the end of in. Both positions advance by the bytes copied.
CopyResult CopyBytes(File& in, File& out, std::int64_t n);

// Size of the file at path, as a directory lookup reports it (0 for a
// directory); nullopt when nothing exists there.
std::optional<std::int64_t> FindFileSize(const std::string& path);

// True when a file, directory or other entry exists at path.
bool Exists(const std::string& path);
// True when path names an existing directory.
bool IsDirectory(const std::string& path);

// True when both paths exist and name the same file.
bool SameFile(const std::string& a, const std::string& b);

// File::Identity of the regular file at path, the entry itself: nullopt for
// a symbolic link (or other reparse point), which is not followed, for a
// directory or device, and when nothing is there.
std::optional<std::uint64_t> RegularFileIdentity(const std::string& path);

// Bytes the calling user may still write on the volume holding path;
// nullopt when the query fails.
std::optional<std::int64_t> QueryFreeSpace(const std::string& path);

// Removes a file; the result says whether it was removed.
bool RemoveFile(const std::string& path);

// Moves from onto to, replacing an existing file of that name.
Outcome RenameReplacing(const std::string& from, const std::string& to);

// Puts the directory's entries (files created or renamed in it) on the
// medium where the system keeps them apart from the files' own data
// (POSIX); Windows does so with each file's Flush.
Outcome FlushDirectory(const std::string& dir);

// Names (without directory) of the entries of a directory; empty when it
// cannot be read.
std::vector<std::string> ListDirectory(const std::string& dir);

// Full path of the running program's executable file; empty when unknown.
std::string ModulePath();

// True where the system compares file names without regard to case
// (Windows), so that two spellings name the same file.
bool FileNamesIgnoreCase();

// True where the system reads some names as something else (Windows: "a:b"
// a stream of "a", "NUL.txt" the device, "x." the file "x"), so that a
// name must keep clear of them to name a file of its own.
bool FileNamesFollowWindowsRules();

// True when path names a file that the system would start as a program: an
// existing one with execute permission (POSIX), or one under a program or
// library extension such as .exe or .dll, existing or not (Windows).
bool IsProgramFile(const std::string& path);

// True where file names are byte strings (POSIX): a set carried there may
// keep its pieces under another encoding of the same name. False where the
// system keeps one spelling (Windows, in UTF-16).
bool FileNamesAreBytes();

// While one lives, the file it names is removed when the user ends the
// process: a closed terminal, Ctrl+C or a termination request on POSIX;
// console close, log-off or shutdown on Windows. One at a time.
class RemovedOnInterrupt {
  public:
    explicit RemovedOnInterrupt(const std::string& path);
    ~RemovedOnInterrupt();
    RemovedOnInterrupt(const RemovedOnInterrupt&) = delete;
    RemovedOnInterrupt& operator=(const RemovedOnInterrupt&) = delete;

    // Removes the file now, for a session that ends while a window of ours
    // is up (Windows tells windows, not the process).
    static void RemoveNow();
};

// A date and time as the calendar shows it (month and day from 1).
struct CalendarTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};
// The local date and time now.
CalendarTime LocalTimeNow();

// True when the given standard stream (0 = input, 1 = output, 2 = error) is a terminal.
bool IsTerminal(int stream);

// The user-interface language the user chose for the system, as a tag:
// Linux the first entry of LANGUAGE, unless the locale (the first set of
// LC_ALL, LC_MESSAGES, LANG) is C or none, then the locale ("de_DE.UTF-8",
// "C", or empty); Windows "de" for any
// German user-interface language, "en" otherwise.
std::string UserInterfaceLanguage();

} // namespace portelan::platform
