// Size texts, the free-space check and path helpers shared by both programs.
#pragma once

#include <cstdint>
#include <string>

namespace portelan {

// A byte count as German size text with binary units: "0 Bytes", "1 Byte",
// "1.5 KB", "1024.0 KB" (just below a unit step), up to "TB". Never fails.
std::string FormatSize(std::int64_t count);

// On entry `count` holds the bytes needed. Returns true when the free space
// on the volume of `path` was determined and is at least that much. When the
// query succeeds, `count` returns the free byte count; when it fails the
// result is false and `count` is left as it was.
bool CheckFreeSpace(const std::string& path, std::int64_t& count);

// Appends the platform's directory separator to a non-empty path that does
// not end in one; an empty path stays empty. (Named after the Windows
// separator it was made for; on POSIX it appends '/'.)
void EnsureTrailingBackslash(std::string& path);

// A path cut after its last directory separator: the directory keeps the
// separator ("/a/b/" and "c.txt"); a bare name has an empty directory.
struct PathParts {
    std::string directory;
    std::string fileName;
};
PathParts SplitPath(const std::string& path);

// ASCII-only lower case: letters outside A-Z stay as they are, whatever
// their encoding.
std::string ToLowerAscii(std::string text);
bool EqualsIgnoreCaseAscii(const std::string& a, const std::string& b);

} // namespace portelan
