// The real open-file dialog.
#include <windows.h>

#include <commdlg.h>

#include <vector>

#include "joiner/win32/FileChooser.h"

namespace portelan {

namespace {

class CSystemFileChooser : public IFileChooser {
  public:
    std::optional<std::string> ChooseFile(const FileRequest& request) override
    {
        // Room for long paths; a longer initial name is cut.
        std::vector<char> path(4096, '\0');
        request.initialFile.copy(path.data(), path.size() - 1);
        // The filter's list ends in an empty part: one more NUL than its parts carry.
        std::string filter = request.filter + '\0';
        OPENFILENAMEA ofn{};
        // The structure's first version, whose size every system accepts.
        ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
        ofn.hwndOwner = nullptr;
        ofn.lpstrFilter = filter.c_str();
        ofn.lpstrFile = path.data();
        ofn.nMaxFile = static_cast<DWORD>(path.size());
        ofn.lpstrTitle = request.title.c_str();
        ofn.lpstrDefExt = request.defaultExtension.c_str();
        ofn.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_EXPLORER | OFN_ENABLESIZING;
        if (!GetOpenFileNameA(&ofn))
            return std::nullopt;
        return std::string(path.data());
    }
};

} // namespace

IFileChooser& SystemFileChooser()
{
    static CSystemFileChooser chooser;
    return chooser;
}

} // namespace portelan
