// Completing a set, on the worker after the pieces: the configuration file,
// the joiner copies, the checksum list, the recovery files.
#include "common/Checksum.h"
#include "common/ChecksumList.h"
#include "common/FailureReason.h"
#include "common/SplitSet.h"
#include "common/StrFormat.h"
#include "platform/Platform.h"
#include "splitter/engine/SplitEngine.h"
#include "texts/SplitterTexts.h"

namespace portelan {

void CSplitEngine::ShowErrorFromWorker(const std::string& message)
{
    m_ui.RunOnUiThread([this, &message] { ShowError(message, ""); });
}

bool CSplitEngine::WriteSetFiles(CSplitJob& job)
{
    const std::string& dir = job.m_plan.targetDir;
    bool ok = WriteSetFilesInOrder(job);
    // The names of what was created reach the medium before the split
    // reports its end, whether or not every set file could be written.
    const platform::Outcome entries = platform::FlushDirectory(dir);
    if (ok && !entries) {
        ShowErrorFromWorker(WithReason(StrFormat(Tr(Text::CannotWriteFile), dir.c_str()), entries.error));
        ok = false;
    }
    return ok;
}

bool CSplitEngine::WriteSetFilesInOrder(CSplitJob& job)
{
    using platform::File;

    const SourceNameParts name = SplitSourceName(job.m_plan.sourceName);
    const std::string& dir = job.m_plan.targetDir;
    const std::string cfgPath = ConfigFileName(dir, name.baseName);
    File cfg;
    if (!cfg.Open(cfgPath, File::Mode::CreateWrite)) {
        ShowErrorFromWorker(WithReason(Tr(Text::ConfigNotCreated), cfg.LastError()));
        return false;
    }
    // The names go in as the format wants them; the files keep the names the
    // programs use.
    CSplitConfig record = CSplitConfig::ForSet(job.m_plan.count, name.baseName, name.extension,
                                               job.m_plan.sourceSize, job.m_nChecksum);
    bool written = record.Write(cfg) && cfg.Flush();
    written = cfg.Close() && written;
    if (!written) {
        ShowErrorFromWorker(
            WithReason(StrFormat(Tr(Text::ConfigWriteError), cfgPath.c_str()), cfg.LastError()));
        platform::RemoveFile(cfgPath);
        m_ui.RunOnUiThread([this] { m_ui.SetStatus(Tr(Text::ConfigRemoved)); });
        return false;
    }

    for (JoinerKind kind : kJoinerKinds)
        if (m_joiner.Carries(kind) && !WriteJoinerCopy(kind, dir, name.baseName))
            return false;
    return WriteChecksumList(job, name.baseName) && WriteRecoveryFiles(job);
}

bool CSplitEngine::WriteRecoveryFiles(CSplitJob& job)
{
    if (!job.m_pRecovery)
        return true;
    using Status = par2::CRecoveryEncoder::Status;
    // Pieces too large for the recovery data to be coded as they streamed by
    // are read once more: that pass shows its progress as the split's did.
    CProgressRelay<ISplitFrontEnd> progress(m_ui, 0, job.m_plan.sourceSize,
                                            job.m_pRecovery->Layout().files.front().name);
    const par2::CRecoveryEncoder::Result written =
        job.m_pRecovery->WriteFiles(job.m_plan.targetDir, &job.m_bStopRequested, &progress);
    // Its owner is going away: no window to tell.
    if (written.status == Status::Ok || written.status == Status::Stopped)
        return written.status == Status::Ok;
    std::string message;
    if (written.status == Status::NoMemory)
        message = Tr(Text::RecoveryNoMemory);
    else if (written.status == Status::ReadFailed)
        message = StrFormat(Tr(Text::CannotReadFile), written.failedPath.c_str());
    else
        message = StrFormat(Tr(Text::RecoveryWriteFailed), written.failedPath.c_str());
    ShowErrorFromWorker(WithReason(message, written.error));
    return false;
}

bool CSplitEngine::WriteChecksumList(const CSplitJob& job, const std::string& baseName)
{
    std::vector<PieceChecksum> pieces;
    for (int k = 1; k <= job.m_plan.count; ++k) {
        const std::size_t i = static_cast<std::size_t>(k - 1);
        pieces.push_back(
            {PieceFileName("", baseName, k), i < job.m_pieceChecksums.size() ? job.m_pieceChecksums[i] : 0});
    }
    const std::string text = FormatChecksumList("Portelan " PORTELAN_VERSION_TEXT, pieces);
    const std::string path = ChecksumListFileName(job.m_plan.targetDir, baseName);
    platform::File list;
    bool ok = list.Open(path, platform::File::Mode::CreateWrite) && list.Write(text.data(), text.size()) &&
              list.Flush();
    ok = list.Close() && ok;
    if (!ok) {
        // The set joins without the list; a cut one would only mislead.
        platform::RemoveFile(path);
        ShowErrorFromWorker(
            WithReason(StrFormat(Tr(Text::ChecksumListWriteFailed), path.c_str()), list.LastError()));
    }
    return ok;
}

bool CSplitEngine::WriteJoinerCopy(JoinerKind kind, const std::string& dir, const std::string& baseName)
{
    using platform::File;

    if (!m_joiner.Find(kind)) {
        ShowErrorFromWorker(StrFormat(Tr(Text::InternalError), "CONCAT-01"));
        return false;
    }
    std::optional<std::span<const unsigned char>> image = m_joiner.Load(kind);
    if (!image) {
        ShowErrorFromWorker(StrFormat(Tr(Text::InternalError), "CONCAT-02"));
        return false;
    }
    const bool forLinux = kind == JoinerKind::Linux;
    const std::string path = forLinux ? LinuxJoinerFileName(dir, baseName) : JoinerFileName(dir, baseName);
    File copy;
    if (!copy.Open(path, File::Mode::CreateWrite)) {
        ShowErrorFromWorker(WithReason(StrFormat(Tr(Text::InternalError), "CONCAT-03"), copy.LastError()));
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
        ShowErrorFromWorker(WithReason(StrFormat(Tr(Text::InternalError), "CONCAT-04"), copy.LastError()));
    return ok;
}

} // namespace portelan
