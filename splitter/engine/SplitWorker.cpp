// The worker that writes the pieces, and its hand-over to the front end.
#include <new>
#include <system_error>

#include "common/Checksum.h"
#include "common/FailureReason.h"
#include "common/PathText.h"
#include "common/SizeText.h"
#include "common/SplitSet.h"
#include "common/StrFormat.h"
#include "par2/Gf16Fast.h"
#include "platform/Platform.h"
#include "splitter/engine/SplitEngine.h"

namespace portelan {

CSplitEngine::CSplitEngine(ISplitFrontEnd& ui, IJoinerImage& joiner) : m_ui(ui), m_joiner(joiner)
{
    // The splitter programs code with the vector kernels where the processor has them.
    par2::UseFastKernels();
}

CSplitEngine::~CSplitEngine()
{
    if (m_pJob)
        m_pJob->m_bStopRequested = true;
    if (m_workerThread.joinable())
        m_workerThread.join();
}

void CSplitEngine::ShowError(const std::string& message, const std::string& title)
{
    m_ui.SetStatus("Ein Fehler ist aufgetreten.");
    m_ui.ShowErrorWindow(message, title.empty() ? Tr(JoinerText::ErrorCaption) : title);
}

void CSplitEngine::InitProgress(int lower, int upper, int step)
{
    m_ui.InitProgress(lower, upper, step);
    m_ui.ResetProgress();
}

namespace {

std::string FailureText(const CSplitJob& job)
{
    switch (job.m_nErrorCode) {
    case kSplitNoMemory:
        return StrFormat("Es konnte kein Speicher (%s) alloziert werden.",
                         FormatSize(job.m_plan.pieceSize).c_str());
    case kSplitCreateFailed:
        return StrFormat("Die Datei \"%s\" konnte nicht geöffnet werden.", job.m_strFailedPath.c_str());
    case kSplitReadFailed:
        return StrFormat("Die Datei \"%s\" konnte nicht gelesen werden.", job.m_strFailedPath.c_str());
    case kSplitWriteFailed:
        return StrFormat("In die Datei \"%s\" konnte nicht geschrieben werden.", job.m_strFailedPath.c_str());
    case kSplitRecoveryNoMemory:
        return "Für die Wiederherstellungsdaten konnte kein Speicher alloziert werden.";
    case kSplitRecoveryInput:
        return StrFormat("Die Datei \"%s\" hat sich während des Aufteilens verändert.",
                         (job.m_plan.sourceDir + job.m_plan.sourceName).c_str());
    case kSplitSourceNotOpened:
        return StrFormat("Die Datei \"%s\" konnte nicht geöffnet werden.",
                         (job.m_plan.sourceDir + job.m_plan.sourceName).c_str());
    default:
        return "Interner Fehler [THREAD-01]";
    }
}

// Hands the bytes read back from the medium to the recovery encoder, so the
// recovery data is of what the medium holds and the source is read once.
class CRecoveryFeed final : public IReadBackConsumer {
  public:
    explicit CRecoveryFeed(par2::CRecoveryEncoder& encoder) : m_encoder(encoder) {}
    void Take(int piece, std::span<const unsigned char> bytes) override
    {
        m_encoder.Feed(piece, bytes.data(), bytes.size());
    }

  private:
    par2::CRecoveryEncoder& m_encoder;
};

// The encoder for the job's recovery files, started; null without recovery,
// and null with code set when it cannot be had.
std::unique_ptr<par2::CRecoveryEncoder> StartRecovery(const CSplitJob& job, int& code)
{
    code = kSplitOk;
    std::optional<par2::RecoveryLayout> layout = PlanRecoveryFiles(job.m_plan);
    if (!layout)
        return nullptr;
    std::vector<par2::PieceSpec> pieces = PlannedPieces(job.m_plan);
    // The file IDs, and with them the order of the slices, come from the
    // pieces' first bytes: a short read of the source ahead of the split.
    std::optional<std::vector<par2::Md5Digest>> heads =
        par2::ReadPieceHeads(job.m_plan.sourceDir + job.m_plan.sourceName, pieces);
    if (!heads) {
        code = kSplitSourceNotOpened;
        return nullptr;
    }
    std::unique_ptr<par2::CRecoveryEncoder> encoder(new (std::nothrow) par2::CRecoveryEncoder(
        std::move(*layout), std::move(pieces), std::move(*heads), RecoveryCreator()));
    if (!encoder || encoder->Start() != par2::CRecoveryEncoder::Status::Ok) {
        code = kSplitRecoveryNoMemory;
        return nullptr;
    }
    return encoder;
}

} // namespace

std::string FailureMessage(const CSplitJob& job) { return WithReason(FailureText(job), job.m_error); }

bool CSplitEngine::StartSplit(const SplitPlan& plan)
{
    m_ui.SetStatus(Tr(JoinerText::PleaseWait));
    if (m_pJob) {
        ShowError("Interner Fehler [THREAD-02]", "");
        return false;
    }
    std::unique_ptr<CSplitJob> job(new (std::nothrow) CSplitJob(plan));
    if (!job) {
        ShowError("Interner Fehler [THREAD-01]", "");
        return false;
    }
    m_pJob = std::move(job);
    m_ui.EnableStart(false);
    m_pJob->m_pOwner = this;

    // The previous worker has handed over already; it only has to return.
    if (m_workerThread.joinable())
        m_workerThread.join();
    m_bWorkerAlive = true;
    try {
        m_workerThread = std::thread(SplitWorkerProc, m_pJob.get());
    } catch (const std::system_error&) {
        m_bWorkerAlive = false;
        m_pJob.reset();
        m_ui.EnableStart(true);
        ShowError("Interner Fehler [THREAD-01]", "");
        return false;
    }
    return true;
}

void CSplitEngine::SplitWorkerProc(CSplitJob* job)
{
    using platform::CopyResult;
    using platform::File;

    auto fail = [job](int code, platform::Error error) {
        job->m_nErrorCode = code;
        job->m_error = error;
        job->m_bSucceeded = false;
    };

    const std::string baseName = SplitSourceName(job->m_plan.sourceName).baseName;
    File source;
    int recoveryCode = kSplitOk;
    if (!source.Open(job->m_plan.sourceDir + job->m_plan.sourceName, File::Mode::Read)) {
        fail(kSplitSourceNotOpened, source.LastError());
    } else if (job->m_pRecovery = StartRecovery(*job, recoveryCode); recoveryCode != kSplitOk) {
        fail(recoveryCode, {});
    } else {
        CSplitEngine* progress = job->m_pOwner;
        progress->ResetProgress();
        progress->InitProgress(0, job->m_plan.count, 1);
        // Each piece is flushed and read back from the medium a chunk at a
        // time while the writer goes on, and flushed whole after its last.
        CChecksumTrailer trailer;
        std::optional<CRecoveryFeed> feed;
        if (job->m_pRecovery) {
            feed.emplace(*job->m_pRecovery);
            trailer.AddConsumer(*feed);
        }
        std::int64_t written = 0;
        bool proceed = true;
        for (int k = 1; k <= job->m_plan.count && proceed; ++k) {
            if (job->m_bStopRequested)
                break;
            const std::string path = PieceFileName(job->m_plan.targetDir, baseName, k);
            File piece;
            std::shared_ptr<File> reader;
            // The plan refuses a piece that is the source; this holds the
            // line should the name have changed since.
            if (IsSourceFile(job->m_plan, path) || !piece.Open(path, File::Mode::CreateWrite) ||
                !(reader = piece.Duplicate())) {
                fail(kSplitCreateFailed, piece.LastError());
                proceed = false;
                job->m_strFailedPath = path;
            } else {
                CProgressRelay<ISplitFrontEnd> bytes(progress->m_ui, written, job->m_plan.sourceSize,
                                                     SplitPath(path).fileName);
                const ReadBack back{trailer, reader, path, 0, k - 1, CChecksumTrailer::Flush::Range};
                CopyResult copied =
                    CopyChunked(source, piece, job->m_plan.pieceSize, &back, &job->m_bStopRequested, &bytes);
                written += copied.bytes;
                bool closed = piece.Close();
                int code = kSplitOk;
                platform::Error error = copied.error;
                if (copied.status == CopyResult::Status::NoMemory)
                    code = kSplitNoMemory;
                else if (copied.status == CopyResult::Status::WriteFailed || (!closed && copied.bytes > 0)) {
                    code = kSplitWriteFailed;
                    if (copied.status != CopyResult::Status::WriteFailed)
                        error = piece.LastError();
                } else if (copied.status == CopyResult::Status::ReadFailed || copied.bytes == 0)
                    code = kSplitReadFailed;
                if (code != kSplitOk && !job->m_bStopRequested) {
                    fail(code, error);
                    proceed = false;
                    if (code != kSplitNoMemory)
                        job->m_strFailedPath = path;
                } else {
                    trailer.Seal(std::move(reader), path, k - 1);
                }
            }
            progress->StepProgress();
        }
        source.Close();
        // Every piece is on the medium before the configuration file exists.
        CChecksumTrailer::Result sum = trailer.Finish();
        if (job->m_bSucceeded && !sum.ok) {
            // What was written did not reach the medium or cannot be read
            // back from it: the piece is not sound.
            fail(kSplitWriteFailed, sum.error);
            job->m_strFailedPath = sum.failedPath;
        }
        job->m_nChecksum = sum.crc;
        job->m_pieceChecksums = std::move(sum.pieceCrc);
        if (job->m_pRecovery) {
            const par2::CRecoveryEncoder::Status coded = job->m_pRecovery->Finish();
            // The pieces read back were not those planned: the source changed.
            if (job->m_bSucceeded && coded != par2::CRecoveryEncoder::Status::Ok)
                fail(kSplitRecoveryInput, {});
            if (!job->m_bSucceeded)
                job->m_pRecovery.reset();
        }
        // The rest of the set, here rather than on the window's thread: the
        // recovery files may take a second pass over the pieces.
        if (job->m_bSucceeded && !job->m_bStopRequested)
            job->m_bSetWritten = job->m_pOwner->WriteSetFiles(*job);
        job->m_pRecovery.reset();
    }
    // The completion destroys the job: keep what is needed after it.
    CSplitEngine* owner = job->m_pOwner;
    if (!job->m_bStopRequested)
        owner->SendSplitFinished();
    owner->m_bWorkerAlive = false;
}

void CSplitEngine::SendSplitFinished()
{
    m_ui.RunOnUiThread([this] { OnSplitFinished(); });
}

void CSplitEngine::OnSplitFinished()
{
    if (!m_pJob)
        return; // nothing was running: no completion to handle
    const bool ok = m_pJob->m_bSucceeded;
    const bool setWritten = m_pJob->m_bSetWritten;
    if (!ok)
        ShowError(FailureMessage(*m_pJob), "");
    m_pJob.reset();
    m_ui.ResetProgress();
    m_ui.EnableStart(true);
    if (ok)
        m_ui.SetStatus("Die Datei wurde erfolgreich aufgeteilt...");
    m_bLastSplitComplete = ok && setWritten;
}

} // namespace portelan
