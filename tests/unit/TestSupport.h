// Real files in temporary directories, and real faults, for the unit tests.
#pragma once

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Platform.h"

namespace portelan::test {

// A message without the system's reason that a failed file operation puts
// on the last line (one of the system's own error texts); the reasons
// themselves are held against the real faults in tests/cli.
inline std::string WithoutReason(const std::string& text)
{
    const std::size_t at = text.rfind("\r\n");
    if (at == std::string::npos)
        return text;
    const std::string last = text.substr(at + 2);
    for (std::uint32_t code = 1; code < 256; ++code)
        if (last == platform::ErrorText(platform::Error{code}))
            return text.substr(0, at);
    return text;
}

inline std::vector<std::string> WithoutReasons(std::vector<std::string> texts)
{
    for (std::string& text : texts)
        text = WithoutReason(text);
    return texts;
}

// A fresh directory under $TMPDIR (or /tmp), removed with its content.
class TempDir {
  public:
    TempDir()
    {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/portelan-test-XXXXXX";
        char* made = ::mkdtemp(pattern.data());
        if (!made)
            throw std::runtime_error("mkdtemp failed");
        m_path = made;
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The directory, ending in '/'.
    std::string Dir() const { return m_path + "/"; }
    std::string operator/(const std::string& name) const { return Dir() + name; }

  private:
    std::string m_path;
};

inline std::string RandomBytes(std::size_t n, unsigned seed = 1)
{
    std::mt19937 rng(seed);
    std::string bytes(n, '\0');
    for (char& c : bytes)
        c = static_cast<char>(rng() & 0xFF);
    return bytes;
}

inline void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool FileExists(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// While alive, no file of this process may grow beyond `bytes`: writes past
// it fail as on a full disk (the programs ignore SIGXFSZ, so do the tests).
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &m_saved); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit m_saved{};
};

} // namespace portelan::test
