// Paths as texts, cut and joined with the platform's separator.
#pragma once

#include <string>

namespace portelan {

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
// their encoding. File names of sets are compared so where the system
// ignores case.
std::string ToLowerAscii(std::string text);
bool EqualsIgnoreCaseAscii(const std::string& a, const std::string& b);

} // namespace portelan
