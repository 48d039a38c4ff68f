// Completing a set: the configuration file, the joiner copies, the checksum list.
#include "common/ChecksumList.h"
#include "common/FailureReason.h"
#include "common/SplitSet.h"
#include "common/StrFormat.h"
#include "platform/Platform.h"
#include "splitter/engine/SplitEngine.h"

namespace portelan {

bool CSplitEngine::WriteSetFiles(int count, const std::string& baseName, const std::string& extension)
{
    bool ok = WriteSetFilesInOrder(count, baseName, extension);
    // The names of what was created reach the medium before the split
    // reports its end, whether or not every set file could be written.
    const platform::Outcome entries = platform::FlushDirectory(m_plan.targetDir);
    if (ok && !entries) {
        ShowError(WithReason(StrFormat("In die Datei \"%s\" konnte nicht geschrieben werden.",
                                       m_plan.targetDir.c_str()),
                             entries.error),
                  "");
        ok = false;
    }
    return ok;
}

bool CSplitEngine::WriteSetFilesInOrder(int count, const std::string& baseName, const std::string& extension)
{
    using platform::File;

    const std::string cfgPath = ConfigFileName(m_plan.targetDir, baseName);
    File cfg;
    if (!cfg.Open(cfgPath, File::Mode::CreateWrite)) {
        ShowError(WithReason("Die Konfigurationsdatei (*.cfg) konnte nicht erzeugt werden.", cfg.LastError()),
                  "");
        return false;
    }
    // The names go in as the format wants them; the files keep the names the
    // programs use.
    CSplitConfig record = CSplitConfig::ForSet(count, baseName, extension, m_plan.sourceSize, m_nChecksum);
    bool written = record.Write(cfg) && cfg.Flush();
    written = cfg.Close() && written;
    if (!written) {
        ShowError(WithReason(StrFormat("Fehler beim Schreiben in die Datei \"%s\".", cfgPath.c_str()),
                             cfg.LastError()),
                  "");
        platform::RemoveFile(cfgPath);
        m_ui.SetStatus("CFG-Datei wurde gelöscht.");
        return false;
    }

    for (JoinerKind kind : kJoinerKinds)
        if (m_joiner.Carries(kind) && !WriteJoinerCopy(kind, baseName))
            return false;
    return WriteChecksumList(count, baseName) && WriteRecoveryFiles();
}

bool CSplitEngine::WriteRecoveryFiles()
{
    if (!m_pRecovery)
        return true;
    const par2::CRecoveryEncoder::Result written = m_pRecovery->WriteFiles(m_plan.targetDir);
    if (written.status == par2::CRecoveryEncoder::Status::Ok)
        return true;
    ShowError(WithReason(StrFormat("Die Wiederherstellungsdatei \"%s\" konnte nicht geschrieben werden.",
                                   written.failedPath.c_str()),
                         written.error),
              "");
    return false;
}

bool CSplitEngine::WriteChecksumList(int count, const std::string& baseName)
{
    std::vector<PieceChecksum> pieces;
    for (int k = 1; k <= count; ++k) {
        const std::size_t i = static_cast<std::size_t>(k - 1);
        pieces.push_back(
            {PieceFileName("", baseName, k), i < m_pieceChecksums.size() ? m_pieceChecksums[i] : 0});
    }
    const std::string text = FormatChecksumList("Portelan " PORTELAN_VERSION_TEXT, pieces);
    const std::string path = ChecksumListFileName(m_plan.targetDir, baseName);
    platform::File list;
    bool ok = list.Open(path, platform::File::Mode::CreateWrite) && list.Write(text.data(), text.size()) &&
              list.Flush();
    ok = list.Close() && ok;
    if (!ok) {
        // The set joins without the list; a cut one would only mislead.
        platform::RemoveFile(path);
        ShowError(
            WithReason(StrFormat("Die Prüfsummenliste \"%s\" konnte nicht geschrieben werden.", path.c_str()),
                       list.LastError()),
            "");
    }
    return ok;
}

bool CSplitEngine::WriteJoinerCopy(JoinerKind kind, const std::string& baseName)
{
    using platform::File;

    if (!m_joiner.Find(kind)) {
        ShowError("Interner Fehler [CONCAT-01]", "");
        return false;
    }
    std::optional<std::span<const unsigned char>> image = m_joiner.Load(kind);
    if (!image) {
        ShowError("Interner Fehler [CONCAT-02]", "");
        return false;
    }
    const bool forLinux = kind == JoinerKind::Linux;
    const std::string path = forLinux ? LinuxJoinerFileName(m_plan.targetDir, baseName)
                                      : JoinerFileName(m_plan.targetDir, baseName);
    File copy;
    if (!copy.Open(path, File::Mode::CreateWrite)) {
        ShowError(WithReason("Interner Fehler [CONCAT-03]", copy.LastError()), "");
        return false;
    }
    // A partial joiner copy stays: it is overwritten by the next split.
    bool ok = copy.Write(image->data(), image->size());
    // Only the Linux joiner needs the permission; where the file system
    // keeps none, there is nothing to set.
    if (forLinux)
        ok = copy.MakeExecutable() && ok;
    ok = ok && copy.Flush();
    ok = copy.Close() && ok;
    if (!ok)
        ShowError(WithReason("Interner Fehler [CONCAT-04]", copy.LastError()), "");
    return ok;
}

} // namespace portelan
