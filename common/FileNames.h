// What a name must be to serve as a file's own name in a directory, on the
// systems a set is carried between.
#pragma once

#include <string_view>

namespace portelan {

enum class FileNameFault {
    None,
    Empty,
    DotName,        // "." or "..": a directory, not a file
    Character,      // a path separator or a control character (C0, DEL, C1 in UTF-8)
    WindowsReserved // ':', a character Windows forbids, a device name, or a final dot or blank
};

// Checks one name, without directory. windowsRules adds what Windows reads
// as something else: "a:b" a stream of "a", "NUL.txt" the device NUL,
// "x." and "x " the file "x", and the characters < > " | ? * it forbids.
FileNameFault CheckFileName(std::string_view name, bool windowsRules);

// What keeps a set's base name and extension (as a joiner decodes them,
// UTF-8) from naming the rebuilt file "<base>.<ext>" and the pieces
// "<base>.NNN". The one rule of the splitter's plan and of the joiners.
enum class SetNameFault { None, NoBaseName, NoExtension, Character, WindowsReserved };
SetNameFault CheckSetNames(std::string_view baseName, std::string_view extension, bool windowsRules);

} // namespace portelan
