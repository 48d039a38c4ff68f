// The real open-file dialog.
#include <windows.h>

#include <commdlg.h>

#include "joiner/win32/FileChooser.h"
#include "platform/win32/WideText.h"

namespace portelan {

namespace {

class CSystemFileChooser : public IFileChooser {
  public:
    std::optional<std::string> ChooseFile(const FileRequest& request) override
    {
        using platform::ToWide;
        // Room for long paths; a longer initial name is cut.
        std::wstring path = ToWide(request.initialFile);
        path.resize(4096, L'\0');
        path.back() = L'\0';
        // The filter's list ends in an empty part: one more NUL than its parts carry.
        const std::wstring filter = ToWide(request.filter) + L'\0';
        const std::wstring title = ToWide(request.title);
        const std::wstring extension = ToWide(request.defaultExtension);
        OPENFILENAMEW ofn{};
        // The structure's first version, whose size every system accepts.
        ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
        ofn.hwndOwner = nullptr;
        ofn.lpstrFilter = filter.c_str();
        ofn.lpstrFile = path.data();
        ofn.nMaxFile = static_cast<DWORD>(path.size());
        ofn.lpstrTitle = title.c_str();
        ofn.lpstrDefExt = extension.c_str();
        ofn.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_EXPLORER | OFN_ENABLESIZING;
        if (!GetOpenFileNameW(&ofn))
            return std::nullopt;
        return platform::ToUtf8(path.c_str());
    }
};

} // namespace

IFileChooser& SystemFileChooser()
{
    static CSystemFileChooser chooser;
    return chooser;
}

} // namespace portelan
