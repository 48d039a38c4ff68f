// POSIX implementation of the platform seam (Linux).
#include "platform/BufferCopy.h"
#include "platform/Platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <locale.h>
#include <memory>
#include <new>

namespace portelan::platform {

namespace {

int Fd(std::intptr_t handle) { return static_cast<int>(handle); }

Error SystemError() { return Error{static_cast<std::uint32_t>(errno)}; }

// cachestat (Linux 6.5), not yet in every system's headers: how many pages
// of a range the cache holds. False also where the system cannot tell.
bool NothingCached(int fd, std::int64_t offset, std::int64_t length)
{
#if defined(__NR_cachestat)
    constexpr long kCachestat = __NR_cachestat;
#else
    constexpr long kCachestat = 451; // the same on every architecture
#endif
    struct {
        std::uint64_t offset, length;
    } range{static_cast<std::uint64_t>(offset), static_cast<std::uint64_t>(length)};
    struct {
        std::uint64_t cached, dirty, writeback, evicted, recentlyEvicted;
    } pages{};
    return ::syscall(kCachestat, fd, &range, &pages, 0) == 0 && pages.cached == 0;
}

bool SetDirect(int fd, bool direct)
{
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0)
        return false;
    const int wanted = direct ? flags | O_DIRECT : flags & ~O_DIRECT;
    return wanted == flags || ::fcntl(fd, F_SETFL, wanted) == 0;
}

} // namespace

std::string ErrorText(Error error)
{
    if (!error.IsSet())
        return {};
    const int code = static_cast<int>(error.code);
    // The user's language from the environment, without touching the
    // process's own locale (the texts are in the user's character set).
    if (locale_t user = ::newlocale(LC_MESSAGES_MASK | LC_CTYPE_MASK, "", static_cast<locale_t>(0))) {
        std::string text = ::strerror_l(code, user);
        ::freelocale(user);
        return text;
    }
    char buffer[256];
    return ::strerror_r(code, buffer, sizeof buffer);
}

bool File::Failed()
{
    m_error = SystemError();
    return false;
}

void InitProcess()
{
    // Without this, a write past RLIMIT_FSIZE kills the process; with it the
    // write fails with EFBIG and the user gets the ordinary write message.
    ::signal(SIGXFSZ, SIG_IGN);
}

bool IsPathSeparator(char c) { return c == '/'; }

char PathSeparator() { return '/'; }

bool File::Open(const std::string& path, Mode mode)
{
    Close();
    int flags = O_CLOEXEC;
    switch (mode) {
    case Mode::Read:
        // Non-blocking, so that a named pipe in place of a file is refused
        // below instead of stopping the program until a writer comes.
        flags |= O_RDONLY | O_NONBLOCK;
        break;
    case Mode::CreateWrite:
        flags |= O_RDWR | O_CREAT | O_TRUNC;
        break;
    case Mode::CreateNew:
        flags |= O_RDWR | O_CREAT | O_EXCL;
        break;
    case Mode::WriteExisting:
        // Non-blocking, so that a named pipe without a reader is refused
        // instead of stopping the program.
        flags |= O_WRONLY | O_NONBLOCK;
        break;
    }
    int fd;
    do {
        fd = ::open(path.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return Failed();
    // Only a regular file is read: a directory opens for reading on POSIX,
    // and a pipe or device would never end or block a join. Reads then block
    // as usual.
    struct stat st {};
    if (mode == Mode::Read && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
                               ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)) {
        // A directory has a reason of its own; a pipe or device is only not a file.
        m_error = S_ISDIR(st.st_mode) ? Error{EISDIR} : Error{};
        ::close(fd);
        return false;
    }
    m_handle = fd;
    m_reads = 0;
    return true;
}

std::int64_t File::Read(void* buffer, std::size_t n)
{
    if (!IsOpen())
        return -1;
    ssize_t got;
    do {
        got = ::read(Fd(m_handle), buffer, n);
    } while (got < 0 && errno == EINTR);
    if (got < 0)
        Failed();
    return got;
}

std::int64_t File::ReadAt(void* buffer, std::size_t n, std::int64_t offset)
{
    if (!IsOpen())
        return -1;
    ssize_t got;
    do {
        got = ::pread(Fd(m_handle), buffer, n, static_cast<off_t>(offset));
    } while (got < 0 && errno == EINTR);
    // A direct read the file system refuses (a misaligned request): through
    // the cache instead.
    if (got < 0 && errno == EINVAL && (m_reads & kUnbuffered)) {
        m_reads = (m_reads & ~kUnbuffered) | kRefused;
        if (SetDirect(Fd(m_handle), false))
            return ReadAt(buffer, n, offset);
    }
    if (got < 0)
        Failed();
    return got;
}

bool File::WriteAt(const void* buffer, std::size_t n, std::int64_t offset)
{
    if (!IsOpen())
        return false;
    const char* p = static_cast<const char*>(buffer);
    while (n > 0) {
        ssize_t put = ::pwrite(Fd(m_handle), p, n, static_cast<off_t>(offset));
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return Failed();
        }
        if (put == 0) {
            m_error = Error{ENOSPC}; // nothing taken and no reason: the medium is full
            return false;
        }
        p += put;
        n -= static_cast<std::size_t>(put);
        offset += put;
    }
    return true;
}

bool File::Write(const void* buffer, std::size_t n)
{
    if (!IsOpen())
        return false;
    const char* p = static_cast<const char*>(buffer);
    while (n > 0) {
        ssize_t put = ::write(Fd(m_handle), p, n);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return Failed();
        }
        if (put == 0) {
            m_error = Error{ENOSPC}; // nothing taken and no reason: the medium is full
            return false;
        }
        p += put;
        n -= static_cast<std::size_t>(put);
    }
    return true;
}

std::int64_t File::Length()
{
    struct stat st {};
    if (!IsOpen())
        return -1;
    if (::fstat(Fd(m_handle), &st) != 0) {
        Failed();
        return -1;
    }
    return st.st_size;
}

bool File::MakeExecutable()
{
    struct stat st {};
    if (!IsOpen() || ::fstat(Fd(m_handle), &st) != 0)
        return false;
    mode_t mode = st.st_mode & 07777;
    mode |= (mode & 0444) >> 2; // r-- becomes r-x for each class that may read
    return ::fchmod(Fd(m_handle), mode) == 0 || Failed();
}

bool File::Truncate(std::int64_t length)
{
    return IsOpen() &&
           ((::ftruncate(Fd(m_handle), static_cast<off_t>(length)) == 0 &&
             ::lseek(Fd(m_handle), static_cast<off_t>(length), SEEK_SET) == static_cast<off_t>(length)) ||
            Failed());
}

std::shared_ptr<File> File::Duplicate() const
{
    if (!IsOpen())
        return nullptr;
    int fd = ::fcntl(Fd(m_handle), F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
        return nullptr;
    // Not make_shared: without RTTI its control block needs the runtime's
    // exception support, which the joiner copy leaves out.
    std::shared_ptr<File> copy(new File);
    copy->m_handle = fd;
    return copy;
}

bool File::TryLock()
{
    // A file system without locks has no one to hold them either.
    return IsOpen() && (::flock(Fd(m_handle), LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK);
}

namespace {

std::uint64_t IdentityOf(const struct stat& st)
{
    // Mixed, not packed: both fields are 64 bits wide.
    return static_cast<std::uint64_t>(st.st_ino) ^
           (static_cast<std::uint64_t>(st.st_dev) * 0x9E3779B97F4A7C15u);
}

} // namespace

std::optional<std::uint64_t> File::Identity() const
{
    struct stat st {};
    if (!IsOpen() || ::fstat(Fd(m_handle), &st) != 0)
        return std::nullopt;
    return IdentityOf(st);
}

std::optional<std::uint64_t> RegularFileIdentity(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return IdentityOf(st);
}

bool File::Close()
{
    if (!IsOpen())
        return true;
    int fd = Fd(m_handle);
    m_handle = kInvalid;
    // close() must not be retried on EINTR on Linux: the descriptor is gone.
    return ::close(fd) == 0 || Failed();
}

bool File::Flush()
{
    if (!IsOpen())
        return false;
    int done;
    do {
        done = ::fsync(Fd(m_handle));
    } while (done != 0 && errno == EINTR);
    return done == 0 || Failed();
}

void File::StartFlush(std::int64_t offset, std::int64_t length)
{
    // Length 0 would mean the rest of the file.
    if (IsOpen() && length > 0)
        ::sync_file_range(Fd(m_handle), offset, length, SYNC_FILE_RANGE_WRITE);
}

bool File::FlushRange(std::int64_t offset, std::int64_t length)
{
    if (!IsOpen())
        return false;
    int done;
    do {
        done = ::sync_file_range(Fd(m_handle), offset, length,
                                 SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                                     SYNC_FILE_RANGE_WAIT_AFTER);
    } while (done != 0 && errno == EINTR);
    if (done == 0)
        return true;
    // A file system or kernel without it (ESPIPE, EINVAL, ENOSYS): the whole file.
    if (errno != EIO && errno != ENOSPC && errno != ENOMEM)
        return Flush();
    return Failed();
}

bool File::BypassCache(std::int64_t offset, std::int64_t length)
{
    if (!IsOpen())
        return false;
    // Through an open file of its own, so that whether its reads pass the
    // cache is not the business of a writer on a duplicate of this handle.
    if (!(m_reads & (kOwnOpen | kRefused))) {
        char self[64];
        std::snprintf(self, sizeof self, "/proc/self/fd/%d", Fd(m_handle));
        const int own = ::open(self, O_RDONLY | O_CLOEXEC);
        m_reads |= own >= 0 ? kOwnOpen : kRefused;
        if (own >= 0) {
            ::close(Fd(m_handle));
            m_handle = own;
        }
    }
    // The pages are clean after Flush, so the system can let go of them: the
    // next read has to fetch the bytes from the medium. Only those of the
    // range and the two it may share with its neighbours, which the flush
    // wrote whole: the rest of a file still being written is dirty, and
    // walking it for every range would cost more than the read.
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    const std::int64_t page = pageSize > 0 ? pageSize : std::int64_t{kMediumBlock};
    const std::int64_t from = offset - offset % page;
    const std::int64_t span = length > 0 ? (offset - from + length + page - 1) / page * page : 0;
    const bool dropped = ::posix_fadvise(Fd(m_handle), from, span, POSIX_FADV_DONTNEED) == 0;
    // Plain reads where the system tells that no page of the range is left:
    // they come from the medium then, the system reads ahead while the
    // reader sums, and, unlike direct reads, they leave the file to its
    // writer meanwhile. A page that stayed (written again, or held by
    // another reader) has the range read past the cache.
    const bool plain = dropped && NothingCached(Fd(m_handle), from, span);
    bool direct = false;
    if ((m_reads & (kOwnOpen | kRefused)) == kOwnOpen) {
        direct = !plain;
        if (!SetDirect(Fd(m_handle), direct)) {
            m_reads |= kRefused; // a file system without direct reads
            direct = false;
        }
    }
    m_reads = direct ? m_reads | kUnbuffered : m_reads & ~kUnbuffered;
    return plain || direct || dropped;
}

CopyResult CopyBytes(File& in, File& out, std::int64_t n)
{
    CopyResult result;
    if (!CanCopy(in, out, result))
        return result;
    while (result.bytes < n) {
        std::int64_t want = n - result.bytes;
        ssize_t copied = ::copy_file_range(Fd(in.Handle()), nullptr, Fd(out.Handle()), nullptr,
                                           static_cast<std::size_t>(want), 0);
        if (copied > 0) {
            result.bytes += copied;
            continue;
        }
        if (copied == 0)
            return result; // end of the input
        if (errno == EINTR)
            continue;
        // A full medium or a file-size limit fails the same way through the
        // plain path, which then gives the reason; so does any other error.
        // The kernel refused (another file system, an old kernel, a special
        // file) or the copy failed: the plain read/write path either does the
        // work or tells a read failure from a write failure.
        return CopyThroughBuffer(in, out, n, result);
    }
    return result;
}

std::optional<std::int64_t> FindFileSize(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    if (S_ISDIR(st.st_mode))
        return 0;
    return static_cast<std::int64_t>(st.st_size);
}

bool Exists(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool SameFile(const std::string& a, const std::string& b)
{
    struct stat sa {
    }, sb{};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

std::optional<std::int64_t> QueryFreeSpace(const std::string& path)
{
    struct statvfs st {};
    if (::statvfs(path.c_str(), &st) != 0)
        return std::nullopt;
    // f_bavail: blocks available to an unprivileged user, so the reserve
    // kept for root does not count as room.
    return static_cast<std::int64_t>(st.f_bavail) * static_cast<std::int64_t>(st.f_frsize);
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

Outcome RenameReplacing(const std::string& from, const std::string& to)
{
    if (::rename(from.c_str(), to.c_str()) != 0)
        return {false, SystemError()};
    return {};
}

Outcome FlushDirectory(const std::string& dir)
{
    int fd;
    do {
        fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return {false, SystemError()};
    int done;
    do {
        done = ::fsync(fd);
    } while (done != 0 && errno == EINTR);
    // Some file systems keep no directory apart to flush (EINVAL).
    Outcome outcome;
    if (done != 0 && errno != EINVAL)
        outcome = {false, SystemError()};
    ::close(fd);
    return outcome;
}

std::vector<std::string> ListDirectory(const std::string& dir)
{
    std::vector<std::string> names;
    std::unique_ptr<DIR, int (*)(DIR*)> d(::opendir(dir.empty() ? "." : dir.c_str()), ::closedir);
    if (!d)
        return names;
    while (dirent* entry = ::readdir(d.get())) {
        std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(std::move(name));
    }
    return names;
}

std::string ModulePath()
{
    std::string path(4096, '\0');
    ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= path.size())
        return {};
    path.resize(static_cast<std::size_t>(n));
    return path;
}

bool FileNamesAreBytes() { return true; }

bool FileNamesFollowWindowsRules() { return false; }

std::string UserInterfaceLanguage()
{
    // As gettext reads them: LANGUAGE counts only where the locale is not
    // C, so that LC_ALL=C keeps a script's texts whatever LANGUAGE says.
    std::string locale;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            locale = value;
            break;
        }
    }
    const bool plain = locale.empty() || locale == "C" || locale == "POSIX" || locale.starts_with("C.");
    const char* language = std::getenv("LANGUAGE");
    if (plain || language == nullptr || *language == '\0')
        return locale;
    const std::string list = language;
    return list.substr(0, list.find(':'));
}

namespace {

std::atomic<char*> g_interruptedFile{nullptr};
constexpr int kInterrupts[] = {SIGHUP, SIGINT, SIGTERM};
struct sigaction g_previous[std::size(kInterrupts)];

extern "C" void RemoveAndEnd(int signal)
{
    RemovedOnInterrupt::RemoveNow();
    // End as the signal would have ended us, so that whoever waits sees why.
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

} // namespace

RemovedOnInterrupt::RemovedOnInterrupt(const std::string& path)
{
    char* copy = new char[path.size() + 1];
    std::memcpy(copy, path.c_str(), path.size() + 1);
    delete[] g_interruptedFile.exchange(copy);
    for (std::size_t i = 0; i < std::size(kInterrupts); ++i) {
        ::sigaction(kInterrupts[i], nullptr, &g_previous[i]);
        // A signal ignored on purpose (nohup) stays ignored.
        if (g_previous[i].sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = RemoveAndEnd;
        sigemptyset(&action.sa_mask);
        ::sigaction(kInterrupts[i], &action, nullptr);
    }
}

RemovedOnInterrupt::~RemovedOnInterrupt()
{
    for (std::size_t i = 0; i < std::size(kInterrupts); ++i)
        ::sigaction(kInterrupts[i], &g_previous[i], nullptr);
    delete[] g_interruptedFile.exchange(nullptr);
}

void RemovedOnInterrupt::RemoveNow()
{
    // Only what a signal handler may do; the copy stays, the process ends.
    if (char* path = g_interruptedFile.exchange(nullptr))
        ::unlink(path);
}

CalendarTime LocalTimeNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!::localtime_r(&now, &local))
        return {};
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

bool FileNamesIgnoreCase() { return false; }

bool IsProgramFile(const std::string& path)
{
    // Through a symbolic link too: replacing the link would replace what it
    // starts.
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode) &&
           (st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH));
}

bool IsTerminal(int stream) { return ::isatty(stream) == 1; }

struct Monitor::Impl {
    pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t changed = PTHREAD_COND_INITIALIZER;
};

Monitor::Monitor() : m_impl(std::make_unique<Impl>()) {}

Monitor::~Monitor()
{
    pthread_cond_destroy(&m_impl->changed);
    pthread_mutex_destroy(&m_impl->mutex);
}

void Monitor::lock() { pthread_mutex_lock(&m_impl->mutex); }

void Monitor::unlock() { pthread_mutex_unlock(&m_impl->mutex); }

void Monitor::Wait() { pthread_cond_wait(&m_impl->changed, &m_impl->mutex); }

void Monitor::NotifyAll() { pthread_cond_broadcast(&m_impl->changed); }

namespace {

struct ThreadStart {
    Thread::Entry entry;
    void* context;
};

void* RunThread(void* start)
{
    std::unique_ptr<ThreadStart> owned(static_cast<ThreadStart*>(start));
    owned->entry(owned->context);
    return nullptr;
}

} // namespace

bool Thread::Start(Entry entry, void* context)
{
    Join();
    auto start = std::make_unique<ThreadStart>(ThreadStart{entry, context});
    pthread_t id;
    if (pthread_create(&id, nullptr, RunThread, start.get()) != 0)
        return false;
    start.release(); // the thread owns it now
    m_handle = static_cast<std::intptr_t>(id);
    m_bRunning = true;
    return true;
}

void Thread::Join()
{
    if (!m_bRunning)
        return;
    pthread_join(static_cast<pthread_t>(m_handle), nullptr);
    m_bRunning = false;
}

Thread::~Thread() { Join(); }

} // namespace portelan::platform
