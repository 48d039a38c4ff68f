// The parts of the programs' version record that the About box and the
// update check read, for the platforms without a Windows version resource.
// The file version is the CMake project version (ProgramVersion() in
// splitter/update); the Windows programs carry the same values in
// common/VersionInfo.rc, which the desktop tests compare with these.
#pragma once

namespace portelan::version_record {

inline constexpr int kProductVersion[4] = {1, 0, 0, 1};
inline constexpr const char* kReleaseNote = "Release 06.09.2008";   // "Comments"
inline constexpr const char* kLegalNotice = "© 2008 Portelan-Team"; // "LegalCopyright"
// Where feedback goes; shown in the About box.
inline constexpr const char* kFeedbackAddress = "feedback@portelan.invalid";

} // namespace portelan::version_record
