// Win32 implementation of the platform seam. Paths are UTF-8 inside and
// reach the system as UTF-16 through the "W" functions: the "A" functions
// would only know the names of the ANSI code page.
#include "platform/Platform.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <initializer_list>
#include <memory>

#include "platform/BufferCopy.h"
#include "platform/win32/WideText.h"

namespace portelan::platform {

namespace {

HANDLE AsHandle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

constexpr DWORD kMaxChunk = 1u << 30;

Error SystemError() { return Error{GetLastError()}; }

} // namespace

std::string ErrorText(Error error)
{
    if (!error.IsSet())
        return {};
    // Language 0: the user's language, as the system's own messages show it.
    wchar_t* text = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                                      FORMAT_MESSAGE_ALLOCATE_BUFFER,
                                  nullptr, error.code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (length == 0 || !text) {
        // By hand: snprintf would bring the C runtime's whole formatter
        // into the joiner.
        std::string number;
        for (unsigned long code = error.code; number.empty() || code != 0; code /= 10)
            number.insert(number.begin(), static_cast<char>('0' + code % 10));
        return "Fehler " + number;
    }
    std::wstring_view view(text, length);
    while (!view.empty() && (view.back() == L'\r' || view.back() == L'\n' || view.back() == L' '))
        view.remove_suffix(1);
    std::string utf8 = ToUtf8(view);
    LocalFree(text);
    return utf8;
}

bool File::Failed()
{
    m_error = SystemError();
    return false;
}

void InitProcess()
{
    // A missing floppy or CD must not stop the program with a system box.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

char PathSeparator() { return '\\'; }

bool File::Open(const std::string& path, Mode mode)
{
    Close();
    DWORD access = 0;
    DWORD disposition = 0;
    // Reading is shared, so that what is written can be read back through a
    // second handle (Duplicate) and an open source can still be read by
    // others; so is renaming, which a finished join does with its output.
    DWORD share = FILE_SHARE_READ | FILE_SHARE_DELETE;
    // A file we create is also shared for writing: the second handle that
    // reads it back must flush it, and FlushFileBuffers wants write access.
    constexpr DWORD kShareCreated = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    switch (mode) {
    case Mode::Read:
        access = GENERIC_READ;
        disposition = OPEN_EXISTING;
        break;
    case Mode::CreateWrite:
        access = GENERIC_READ | GENERIC_WRITE;
        disposition = CREATE_ALWAYS;
        share = kShareCreated;
        break;
    case Mode::CreateNew:
        access = GENERIC_READ | GENERIC_WRITE;
        disposition = CREATE_NEW;
        share = kShareCreated;
        break;
    case Mode::WriteExisting:
        access = GENERIC_WRITE;
        disposition = OPEN_EXISTING;
        break;
    }
    HANDLE h = CreateFileW(ToWide(path).c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return Failed();
    // Only a file on disk is read: a pipe or device would never end a join.
    if (mode == Mode::Read && GetFileType(h) != FILE_TYPE_DISK) {
        m_error = Error{};
        CloseHandle(h);
        return false;
    }
    m_handle = reinterpret_cast<std::intptr_t>(h);
    m_reads = 0;
    return true;
}

std::int64_t File::Read(void* buffer, std::size_t n)
{
    if (!IsOpen())
        return -1;
    DWORD got = 0;
    DWORD want = n > kMaxChunk ? kMaxChunk : static_cast<DWORD>(n);
    if (!ReadFile(AsHandle(m_handle), buffer, want, &got, nullptr)) {
        if (GetLastError() == ERROR_BROKEN_PIPE)
            return 0;
        Failed();
        return -1;
    }
    return got;
}

std::int64_t File::ReadAt(void* buffer, std::size_t n, std::int64_t offset)
{
    if (!IsOpen())
        return -1;
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(offset));
    at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
    DWORD got = 0;
    DWORD want = n > kMaxChunk ? kMaxChunk : static_cast<DWORD>(n);
    if (ReadFile(AsHandle(m_handle), buffer, want, &got, &at))
        return got;
    if (GetLastError() == ERROR_HANDLE_EOF)
        return 0;
    // The file system refused the unbuffered read (a network share, a
    // misaligned request): read through the cache instead.
    if ((m_reads & kUnbuffered) && GetLastError() == ERROR_INVALID_PARAMETER) {
        HANDLE buffered = ReOpenFile(AsHandle(m_handle), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0);
        if (buffered != INVALID_HANDLE_VALUE) {
            CloseHandle(AsHandle(m_handle));
            m_handle = reinterpret_cast<std::intptr_t>(buffered);
            m_reads &= ~kUnbuffered;
            return ReadAt(buffer, n, offset);
        }
    }
    Failed();
    return -1;
}

bool File::WriteAt(const void* buffer, std::size_t n, std::int64_t offset)
{
    if (!IsOpen())
        return false;
    const char* p = static_cast<const char*>(buffer);
    while (n > 0) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(offset));
        at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
        DWORD want = n > kMaxChunk ? kMaxChunk : static_cast<DWORD>(n);
        DWORD put = 0;
        if (!WriteFile(AsHandle(m_handle), p, want, &put, &at))
            return Failed();
        if (put == 0)
            return false;
        p += put;
        n -= put;
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
        DWORD want = n > kMaxChunk ? kMaxChunk : static_cast<DWORD>(n);
        DWORD put = 0;
        if (!WriteFile(AsHandle(m_handle), p, want, &put, nullptr))
            return Failed();
        if (put == 0) {
            m_error = Error{ERROR_DISK_FULL}; // nothing taken and no reason: the medium is full
            return false;
        }
        p += put;
        n -= put;
    }
    return true;
}

std::int64_t File::Length()
{
    LARGE_INTEGER size{};
    if (!IsOpen())
        return -1;
    if (!GetFileSizeEx(AsHandle(m_handle), &size)) {
        Failed();
        return -1;
    }
    return size.QuadPart;
}

bool File::MakeExecutable() { return IsOpen(); }

bool File::Truncate(std::int64_t length)
{
    LARGE_INTEGER at{};
    at.QuadPart = length;
    return IsOpen() && ((SetFilePointerEx(AsHandle(m_handle), at, nullptr, FILE_BEGIN) &&
                         SetEndOfFile(AsHandle(m_handle))) ||
                        Failed());
}

std::shared_ptr<File> File::Duplicate() const
{
    if (!IsOpen())
        return nullptr;
    // A handle of its own, with its own file position: reading back must not
    // move the position the writer goes on from.
    // With write access where the file allows it, so that this handle can
    // flush what the other wrote.
    constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE h = ReOpenFile(AsHandle(m_handle), GENERIC_READ | GENERIC_WRITE, kShareAll, 0);
    if (h == INVALID_HANDLE_VALUE)
        h = ReOpenFile(AsHandle(m_handle), GENERIC_READ, kShareAll, 0);
    if (h == INVALID_HANDLE_VALUE)
        return nullptr;
    // Not make_shared: without RTTI its control block needs the runtime's
    // exception support, which the joiner copy leaves out.
    std::shared_ptr<File> copy(new File);
    copy->m_handle = reinterpret_cast<std::intptr_t>(h);
    return copy;
}

bool File::TryLock()
{
    // A byte far past any end: the lock keeps no one from the file's data.
    OVERLAPPED where{};
    where.Offset = 0xFFFFFFFE;
    where.OffsetHigh = 0x7FFFFFFF;
    // A file system without locks has no one to hold them either.
    return IsOpen() && (LockFileEx(AsHandle(m_handle), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                                   1, 0, &where) ||
                        GetLastError() != ERROR_LOCK_VIOLATION);
}

bool File::Close()
{
    if (!IsOpen())
        return true;
    HANDLE h = AsHandle(m_handle);
    m_handle = kInvalid;
    return CloseHandle(h) != 0 || Failed();
}

bool File::Flush() { return IsOpen() && (FlushFileBuffers(AsHandle(m_handle)) != 0 || Failed()); }

// Windows flushes whole files only.
bool File::FlushRange(std::int64_t, std::int64_t) { return Flush(); }
void File::StartFlush(std::int64_t, std::int64_t) {}

bool File::BypassCache(std::int64_t, std::int64_t)
{
    if (!IsOpen())
        return false;
    if (m_reads & kUnbuffered)
        return true;
    // A handle of its own that reads past the cache; the buffered one goes.
    // It keeps the right to write where the old one had it: FlushFileBuffers
    // asks for it, and a file read back in ranges is flushed whole at its end.
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE direct =
        ReOpenFile(AsHandle(m_handle), GENERIC_READ | GENERIC_WRITE, share, FILE_FLAG_NO_BUFFERING);
    if (direct == INVALID_HANDLE_VALUE)
        direct = ReOpenFile(AsHandle(m_handle), GENERIC_READ, share, FILE_FLAG_NO_BUFFERING);
    if (direct == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(AsHandle(m_handle));
    m_handle = reinterpret_cast<std::intptr_t>(direct);
    m_reads |= kUnbuffered;
    return true;
}

CopyResult CopyBytes(File& in, File& out, std::int64_t n)
{
    CopyResult result;
    if (!CanCopy(in, out, result))
        return result;
    return CopyThroughBuffer(in, out, n, result);
}

std::optional<std::int64_t> FindFileSize(const std::string& path)
{
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(ToWide(path).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return std::nullopt;
    FindClose(search);
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) |
                                     found.nFileSizeLow);
}

bool Exists(const std::string& path)
{
    return GetFileAttributesW(ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(const std::string& path)
{
    DWORD attributes = GetFileAttributesW(ToWide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {

bool Identify(const std::string& path, BY_HANDLE_FILE_INFORMATION& info)
{
    HANDLE h = CreateFileW(ToWide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    return ok;
}

std::uint64_t IdentityOf(const BY_HANDLE_FILE_INFORMATION& info)
{
    const std::uint64_t index = static_cast<std::uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
    return index ^ (static_cast<std::uint64_t>(info.dwVolumeSerialNumber) * 0x9E3779B97F4A7C15u);
}

} // namespace

std::optional<std::uint64_t> File::Identity() const
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (!IsOpen() || !GetFileInformationByHandle(AsHandle(m_handle), &info))
        return std::nullopt;
    return IdentityOf(info);
}

std::optional<std::uint64_t> RegularFileIdentity(const std::string& path)
{
    // The entry itself: a reparse point (a link, a junction) is opened, not followed.
    HANDLE h =
        CreateFileW(ToWide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(h, &info) != 0 && GetFileType(h) == FILE_TYPE_DISK;
    CloseHandle(h);
    if (!known || (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        return std::nullopt;
    return IdentityOf(info);
}

bool SameFile(const std::string& a, const std::string& b)
{
    BY_HANDLE_FILE_INFORMATION ia{}, ib{};
    if (!Identify(a, ia) || !Identify(b, ib))
        return false;
    return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
           ia.nFileIndexLow == ib.nFileIndexLow;
}

std::optional<std::int64_t> QueryFreeSpace(const std::string& path)
{
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version; // 148 bytes
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
    bool known = GetVersionExA(&version) != 0;
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    // Windows 95 before OSR2 only has the old query, which cannot count
    // beyond 2 GiB; every later system has the extended one.
    bool oldQuery = known && version.dwPlatformId == 1 && version.dwMinorVersion == 0 &&
                    std::strchr(version.szCSDVersion, 'B') == nullptr;
    const std::wstring where = ToWide(path);
    if (oldQuery) {
        DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
        if (!GetDiskFreeSpaceW(where.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                               &totalClusters))
            return std::nullopt;
        return static_cast<std::int64_t>(freeClusters) * sectorsPerCluster * bytesPerSector;
    }
    ULARGE_INTEGER available{}, total{}, totalFree{};
    if (!GetDiskFreeSpaceExW(where.c_str(), &available, &total, &totalFree))
        return std::nullopt;
    // What the caller may use, which honours per-user quotas.
    return static_cast<std::int64_t>(available.QuadPart);
}

bool RemoveFile(const std::string& path) { return DeleteFileW(ToWide(path).c_str()) != 0; }

Outcome RenameReplacing(const std::string& from, const std::string& to)
{
    // Write-through: the new name is on the medium when the call returns.
    if (!MoveFileExW(ToWide(from).c_str(), ToWide(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return {false, SystemError()};
    return {};
}

// Windows keeps a file's directory entry with the file: its Flush covers it.
Outcome FlushDirectory(const std::string&) { return {}; }

std::vector<std::string> ListDirectory(const std::string& dir)
{
    std::vector<std::string> names;
    std::string pattern = dir.empty() ? std::string("*") : dir + "*";
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(ToWide(pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::string name = ToUtf8(found.cFileName);
        if (name != "." && name != "..")
            names.push_back(std::move(name));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

std::string ModulePath()
{
    std::wstring path(32768, L'\0');
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0 || n >= path.size())
        return {};
    path.resize(n);
    return ToUtf8(path);
}

bool FileNamesAreBytes() { return false; }

bool FileNamesFollowWindowsRules() { return true; }

std::string UserInterfaceLanguage()
{
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_GERMAN ? "de" : "en";
}

namespace {

std::atomic<wchar_t*> g_interruptedFile{nullptr};

BOOL WINAPI OnConsoleEvent(DWORD)
{
    RemovedOnInterrupt::RemoveNow();
    return FALSE; // the system's own handling ends the process
}

} // namespace

RemovedOnInterrupt::RemovedOnInterrupt(const std::string& path)
{
    const std::wstring wide = ToWide(path);
    wchar_t* copy = new wchar_t[wide.size() + 1];
    std::memcpy(copy, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
    delete[] g_interruptedFile.exchange(copy);
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

RemovedOnInterrupt::~RemovedOnInterrupt()
{
    SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
    delete[] g_interruptedFile.exchange(nullptr);
}

void RemovedOnInterrupt::RemoveNow()
{
    // Our handles share deletion: the file goes when the last one closes.
    if (wchar_t* path = g_interruptedFile.exchange(nullptr)) {
        DeleteFileW(path);
        delete[] path;
    }
}

CalendarTime LocalTimeNow()
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

bool FileNamesIgnoreCase() { return true; }

bool IsProgramFile(const std::string& path)
{
    // An existing file counts by the name found on disk, not the one asked
    // for: a short name (PORTEL~1.EXE) or one with a trailing dot reaches
    // the same file. A new file counts by its own name: a library written
    // beside a program would be loaded by it.
    std::wstring name = ToWide(path);
    name.erase(0, name.find_last_of(L"\\/") + 1);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(ToWide(path).c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        FindClose(search);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            return false;
        name = found.cFileName;
    }
    const wchar_t* dot = wcsrchr(name.c_str(), L'.');
    if (!dot)
        return false;
    for (const wchar_t* extension : {L".exe", L".dll", L".com", L".bat", L".cmd", L".scr", L".msi"})
        if (_wcsicmp(dot, extension) == 0)
            return true;
    return false;
}

bool IsTerminal(int stream)
{
    DWORD which = stream == 0 ? STD_INPUT_HANDLE : stream == 1 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE;
    HANDLE h = GetStdHandle(which);
    return h != nullptr && h != INVALID_HANDLE_VALUE && GetFileType(h) == FILE_TYPE_CHAR;
}

struct Monitor::Impl {
    SRWLOCK lock = SRWLOCK_INIT;
    CONDITION_VARIABLE changed = CONDITION_VARIABLE_INIT;
};

Monitor::Monitor() : m_impl(std::make_unique<Impl>()) {}

Monitor::~Monitor() = default;

void Monitor::lock() { AcquireSRWLockExclusive(&m_impl->lock); }

void Monitor::unlock() { ReleaseSRWLockExclusive(&m_impl->lock); }

void Monitor::Wait() { SleepConditionVariableSRW(&m_impl->changed, &m_impl->lock, INFINITE, 0); }

void Monitor::NotifyAll() { WakeAllConditionVariable(&m_impl->changed); }

namespace {

struct ThreadStart {
    Thread::Entry entry;
    void* context;
};

DWORD WINAPI RunThread(void* start)
{
    std::unique_ptr<ThreadStart> owned(static_cast<ThreadStart*>(start));
    owned->entry(owned->context);
    return 0;
}

} // namespace

bool Thread::Start(Entry entry, void* context)
{
    Join();
    auto start = std::make_unique<ThreadStart>(ThreadStart{entry, context});
    HANDLE h = CreateThread(nullptr, 0, RunThread, start.get(), 0, nullptr);
    if (!h)
        return false;
    start.release(); // the thread owns it now
    m_handle = reinterpret_cast<std::intptr_t>(h);
    m_bRunning = true;
    return true;
}

void Thread::Join()
{
    if (!m_bRunning)
        return;
    HANDLE h = reinterpret_cast<HANDLE>(m_handle);
    WaitForSingleObject(h, INFINITE);
    CloseHandle(h);
    m_bRunning = false;
}

Thread::~Thread() { Join(); }

} // namespace portelan::platform
