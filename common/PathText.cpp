#include "common/PathText.h"

#include "platform/Platform.h"

namespace portelan {

void EnsureTrailingBackslash(std::string& path)
{
    if (!path.empty() && !platform::IsPathSeparator(path.back()))
        path += platform::PathSeparator();
}

PathParts SplitPath(const std::string& path)
{
    std::string::size_type cut = path.size();
    while (cut > 0 && !platform::IsPathSeparator(path[cut - 1]))
        --cut;
    return {path.substr(0, cut), path.substr(cut)};
}

std::string ToLowerAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool EqualsIgnoreCaseAscii(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && ToLowerAscii(a) == ToLowerAscii(b);
}

} // namespace portelan
