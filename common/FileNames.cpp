#include "common/FileNames.h"

#include <string>

namespace portelan {

namespace {

bool IsControlOrSeparator(unsigned char u, unsigned char next)
{
    // C1 controls are U+0080 ... U+009F, in UTF-8 0xC2 0x80 ... 0xC2 0x9F:
    // a terminal would act on them when the name is shown.
    return u == '/' || u == '\\' || u < 0x20 || u == 0x7F || (u == 0xC2 && next >= 0x80 && next <= 0x9F);
}

// Windows opens the device, not a file, for these names with any extension.
bool IsDeviceName(std::string_view name)
{
    std::string_view stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ')
        stem.remove_suffix(1);
    char lower[8] = {};
    if (stem.size() >= sizeof lower)
        return false;
    for (std::size_t i = 0; i < stem.size(); ++i)
        lower[i] = static_cast<char>(stem[i] >= 'A' && stem[i] <= 'Z' ? stem[i] - 'A' + 'a' : stem[i]);
    const std::string_view text(lower, stem.size());
    if (text == "con" || text == "prn" || text == "aux" || text == "nul" || text == "conin$" ||
        text == "conout$")
        return true;
    return text.size() == 4 && (text.starts_with("com") || text.starts_with("lpt")) && text[3] >= '1' &&
           text[3] <= '9';
}

// The faults of a name's characters alone; a control character outweighs
// what only Windows refuses.
FileNameFault CharacterFault(std::string_view name, bool windowsRules)
{
    for (std::size_t i = 0; i < name.size(); ++i) {
        const unsigned char next = i + 1 < name.size() ? static_cast<unsigned char>(name[i + 1]) : 0;
        if (IsControlOrSeparator(static_cast<unsigned char>(name[i]), next))
            return FileNameFault::Character;
    }
    if (windowsRules && name.find_first_of(":<>\"|?*") != std::string_view::npos)
        return FileNameFault::WindowsReserved;
    return FileNameFault::None;
}

// What Windows reads as another name: "x." and "x " as "x", "nul.txt" as NUL.
bool EndsOrStartsAmiss(std::string_view first, std::string_view last)
{
    return last.back() == '.' || last.back() == ' ' || IsDeviceName(first);
}

} // namespace

FileNameFault CheckFileName(std::string_view name, bool windowsRules)
{
    if (name.empty())
        return FileNameFault::Empty;
    if (name == "." || name == "..")
        return FileNameFault::DotName;
    if (const FileNameFault fault = CharacterFault(name, windowsRules); fault != FileNameFault::None)
        return fault;
    return windowsRules && EndsOrStartsAmiss(name, name) ? FileNameFault::WindowsReserved
                                                         : FileNameFault::None;
}

SetNameFault CheckSetNames(std::string_view baseName, std::string_view extension, bool windowsRules)
{
    if (baseName.empty())
        return SetNameFault::NoBaseName;
    if (extension.empty())
        return SetNameFault::NoExtension;
    // The base name and the extension are never a file's name alone: "."
    // as a base name gives "..txt" and "..001", files like any other. What
    // counts is the rebuilt file "<base>.<ext>", whose start the pieces
    // share.
    const FileNameFault base = CharacterFault(baseName, windowsRules);
    const FileNameFault ext = CharacterFault(extension, windowsRules);
    if (base == FileNameFault::Character || ext == FileNameFault::Character)
        return SetNameFault::Character;
    if (base != FileNameFault::None || ext != FileNameFault::None ||
        (windowsRules && EndsOrStartsAmiss(baseName, extension)))
        return SetNameFault::WindowsReserved;
    return SetNameFault::None;
}

} // namespace portelan
