// The joiner's configuration file: any bytes, of any length, read into a
// record as the joiner reads its file, then accepted or refused by the
// joiner's own check, and the names it would then form.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "common/SplitSet.h"
#include "joiner/ConcatApp.h"

namespace {

// The joiner's windows, answering as a user who gives up.
class SilentFrontEnd : public portelan::IConcatFrontEnd {
  public:
    bool AskForDirectory(std::string&, const std::string&) override { return false; }
    void ReportError(const std::string& text) override { reported = !text.empty(); }
    void ShowMessage(const std::string&, const std::string&) override {}
    void CreateProgress(const std::string&) override {}
    void ShowProgress(bool) override {}
    void SetProgressTip(const std::string&) override {}
    void DestroyProgress() override {}

    bool reported = false;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace portelan;
    CSplitConfig record;
    record.Deserialize(data, size);
    // The record keeps every byte it was given: its image starts with them.
    const CSplitConfig::Image image = record.Serialize();
    if (std::memcmp(image.data(), data, std::min(size, CSplitConfig::kSize)) != 0)
        __builtin_trap();

    SilentFrontEnd ui;
    CConcatApp app(ui, "/nonexistent/_set");
    if (!app.AcceptRecord(record)) {
        // A refusal is always explained.
        if (!ui.reported)
            __builtin_trap();
        return 0;
    }
    if (app.m_nCount <= 0 || app.m_strName.empty() || app.m_strExt.empty() ||
        app.m_strName.find('/') != std::string::npos || app.m_strExt.find('/') != std::string::npos)
        __builtin_trap();
    // The names of the rebuilt file and of the first and last piece.
    const std::string target = app.TargetPath();
    const std::string first = PieceFileName(app.m_strDir, app.m_strName, 1);
    const std::string last = PieceFileName(app.m_strDir, app.m_strName, app.m_nCount);
    if (target.empty() || first.size() > last.size())
        __builtin_trap();
    return 0;
}
