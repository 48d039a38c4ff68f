#include "splitter/ui/cli/JoinArgument.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <vector>

#include "common/PathText.h"
#include "common/StrFormat.h"
#include "texts/SplitterTexts.h"

namespace portelan {

namespace fs = std::filesystem;

std::string ResolvePath(const std::string& path)
{
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    if (error)
        return path;
    if (!absolute.has_filename())
        return fs::weakly_canonical(absolute, error).string();
    fs::path parent = fs::weakly_canonical(absolute.parent_path(), error);
    if (error)
        return absolute.lexically_normal().string();
    const fs::path name = absolute.filename();
    if (name == "." || name == "..")
        return fs::weakly_canonical(absolute, error).string();
    return (parent / name).string();
}

bool IsConfigFileName(const std::string& name)
{
    constexpr std::string_view kSuffix = ".cfg";
    return name.size() > kSuffix.size() && name.front() == '_' &&
           ToLowerAscii(name.substr(name.size() - kSuffix.size())) == kSuffix;
}

JoinConfig ChooseJoinConfig(const std::string& argument)
{
    std::error_code error;
    fs::path path = ResolvePath(argument);
    // "/a/b/" and "." name the directory "/a/b" and the current one.
    if (!path.has_filename() && path.has_relative_path())
        path = path.parent_path();
    const std::string shown = path.string();

    fs::file_status status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found)
        return {{}, StrFormat(Tr(Text::CliNotFound), shown.c_str())};
    if (error)
        return {{}, StrFormat(Tr(Text::CliNoAccess), shown.c_str())};
    if (fs::is_regular_file(status))
        return {shown, {}};
    if (!fs::is_directory(status))
        return {{}, StrFormat(Tr(Text::CliNeitherDirNorConfig), shown.c_str())};

    std::vector<std::string> found;
    fs::directory_iterator entries(path, error);
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        std::string name = entries->path().filename().string();
        std::error_code typeError;
        if (IsConfigFileName(name) && entries->is_regular_file(typeError))
            found.push_back(std::move(name));
    }
    if (error)
        return {{}, StrFormat(Tr(Text::CliDirUnreadable), shown.c_str())};

    if (found.empty())
        return {{}, StrFormat(Tr(Text::CliNoConfigInDir), shown.c_str())};
    if (found.size() > 1) {
        std::sort(found.begin(), found.end());
        std::string list;
        for (const std::string& name : found)
            list += (list.empty() ? "" : ", ") + name;
        return {{}, StrFormat(Tr(Text::CliSeveralConfigs), shown.c_str(), list.c_str())};
    }
    return {(path / found.front()).string(), {}};
}

} // namespace portelan
