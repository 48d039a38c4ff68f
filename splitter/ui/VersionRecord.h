// The parts of the programs' version record that the About box and the
// update check read, for the platforms without a Windows version resource.
// The file version is the CMake project version (ProgramVersion() in
// splitter/update); the Windows programs carry the same values in
// common/VersionInfo.rc, which the desktop tests compare with these.
#pragma once

#include <optional>
#include <string>

#include "common/StrFormat.h"
#include "splitter/update/UpdateEntry.h"

namespace portelan {

// A program's version record as the About box and the update check read it.
struct VersionRecord {
    VersionNumbers fileNumbers{};
    std::string productVersion; // "a.b.c.d"
    std::string releaseNote;    // "Comments"; empty when the record has none
    std::string legalNotice;    // "LegalCopyright"; empty when the record has none

    std::string FileVersion() const
    {
        return StrFormat("%d.%d.%d.%d", fileNumbers[0], fileNumbers[1], fileNumbers[2], fileNumbers[3]);
    }
};

// The running program's own record (the Windows version resource, or what
// the Linux programs carry); nullopt when its fixed part cannot be read.
std::optional<VersionRecord> ReadOwnVersionRecord();

// The file version the update check compares with the manifest's.
inline std::optional<VersionNumbers> OwnFileVersion()
{
    std::optional<VersionRecord> record = ReadOwnVersionRecord();
    return record ? std::optional(record->fileNumbers) : std::nullopt;
}

} // namespace portelan

namespace portelan::version_record {

inline constexpr int kProductVersion[4] = {1, 0, 0, 1};
inline constexpr const char* kReleaseNote = "Release 06.09.2008";   // "Comments"
inline constexpr const char* kLegalNotice = "© 2008 Portelan-Team"; // "LegalCopyright"
// Where feedback goes; shown in the About box.
inline constexpr const char* kFeedbackAddress = "feedback@portelan.invalid";

} // namespace portelan::version_record
