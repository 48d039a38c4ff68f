// The open-file dialog the joiner's window uses to look for a missing file,
// behind a seam so that tests can answer it.
#pragma once

#include <optional>
#include <string>

namespace portelan {

// What the open-file dialog is asked to show.
struct FileRequest {
    std::string filter;           // description and pattern pairs, each part ending in a NUL
    std::string defaultExtension; // without the dot
    std::string initialFile;      // full path shown as the first choice
    std::string title;
};

class IFileChooser {
  public:
    virtual ~IFileChooser() = default;
    // The chosen file's full path, or nothing when cancelled.
    virtual std::optional<std::string> ChooseFile(const FileRequest& request) = 0;
};

// The system's open-file dialog, without owner.
IFileChooser& SystemFileChooser();

} // namespace portelan
