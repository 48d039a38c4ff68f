// The split engine: planning, the worker that writes the pieces, and the
// configuration file, joiner copies and checksum list that complete a set.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "common/SplitSet.h"
#include "splitter/engine/JoinerImage.h"
#include "splitter/engine/SplitFrontEnd.h"
#include "splitter/engine/SplitJob.h"

namespace portelan {

// The diskette preset, the default piece size.
inline constexpr std::int64_t kDiskPieceSize = 1457664;
// Pieces' worth of recovery data a split writes unless told otherwise.
inline constexpr int kDefaultRecoveryPieces = 1;
// Room asked for beyond the source size before a split.
inline constexpr std::int64_t kFreeSpaceReserve = 102400;

// The verdict of a plan: the text for the notes field and whether
// "&Fortfahren" may be pressed.
struct PlanVerdict {
    std::string text;
    bool canConfirm = false;
};
PlanVerdict CheckPlan(const CSplitJob& plan);

// The PieceSpec list of the plan's pieces, in order, named as the set names them.
std::vector<par2::PieceSpec> PlannedPieces(const CSplitJob& plan);
// The recovery files of the plan; nullopt when it asks for none, has fewer
// than two pieces or more than a set may have, or when no layout keeps
// every file within a piece.
std::optional<par2::RecoveryLayout> PlanRecoveryFiles(const CSplitJob& plan);
// The creator the recovery files name.
std::string RecoveryCreator();

// True when path names the job's source file.
bool IsSourceFile(const CSplitJob& job, const std::string& path);
// The path of the planned piece that is the source file itself, if any.
std::optional<std::string> PieceOverwritingSource(const CSplitJob& plan);

// Everything the confirmation window shows, as texts.
struct PlanView {
    std::string sourceName; // "Quelle" / "Dateiname"
    std::string sourceDir;  // "Quelle" / "Pfad"
    std::string sourceSize; // "Quelle" / "Grösse"
    std::string targetPath; // "Ziel" / "Pfad"
    std::string count;      // "Ziel" / "Anzahl"
    std::string pieceSize;  // "Ziel" / "Grösse"
    std::string recovery;   // "Ziel" / "Wiederherstellung": its files and their size, or "keine"
    PlanVerdict verdict;    // "Hinweise"
};
PlanView DescribePlan(const CSplitJob& plan);

// The smallest count with count * pieceSize >= sourceSize; 1 for an empty
// source or a piece size that is not positive. Saturates far above 999.
int CountPieces(std::int64_t sourceSize, std::int64_t pieceSize);

// The message for a failed worker (codes 1 to 7).
std::string FailureMessage(const CSplitJob& job);

// Holds the inputs and results of the splitter's main window and runs its
// split operations. Everything but the worker runs on the front end's thread.
class CSplitEngine {
  public:
    CSplitEngine(ISplitFrontEnd& ui, IJoinerImage& joiner);
    // Stops a running worker at its next block and waits for it; the pieces
    // written so far stay. The front end must have stopped serving
    // RunOnUiThread by then.
    ~CSplitEngine();
    CSplitEngine(const CSplitEngine&) = delete;
    CSplitEngine& operator=(const CSplitEngine&) = delete;

    // "&Starten", with the check boxes of the three inputs.
    struct StartInputs {
        bool haveSource = false;
        bool haveTarget = false;
        bool havePieceSize = false;
    };
    void StartCommand(const StartInputs& inputs);

    bool PrepareSplit();
    bool StartSplit();
    void OnSplitFinished();
    // On the worker, after the pieces of job: the configuration file, then
    // the joiner copies that this build carries, then the checksum list of
    // the pieces, then the recovery files, then the directory's entries,
    // each flushed; true when all were written. Failures are shown on the
    // front end's thread while the worker waits.
    bool WriteSetFiles(CSplitJob& job);

    // The error window; sets the status line first.
    void ShowError(const std::string& message, const std::string& title);

    // Progress relays for the worker.
    void ResetProgress() { m_ui.ResetProgress(); }
    void InitProgress(int lower, int upper, int step);
    void StepProgress() { m_ui.StepProgress(); }
    // Worker side of the completion hand-over.
    void SendSplitFinished();

    static void SplitWorkerProc(CSplitJob* job);

    bool IsRunning() const { return m_pJob != nullptr; }
    // Asks a running worker to stop at its next block; it then ends without
    // reporting back.
    void RequestStop()
    {
        if (m_pJob)
            m_pJob->m_bStopRequested = true;
    }
    // True from the start of a worker until its thread has returned.
    bool IsWorkerAlive() const { return m_bWorkerAlive; }
    // True when the last split wrote every piece and both set files.
    bool LastSplitComplete() const { return m_bLastSplitComplete; }

    // Inputs.
    std::string m_strSourceDir; // ends in a separator
    std::string m_strSourceName;
    std::string m_strTargetDir; // ends in a separator
    std::int64_t m_nPieceSize = kDiskPieceSize;
    int m_nRecoveryPieces = kDefaultRecoveryPieces; // pieces' worth; 0 for none
    // Results.
    std::int64_t m_nSourceSize = 0;
    int m_nPieceCount = 0;
    std::unique_ptr<CSplitJob> m_pJob;

  private:
    bool WriteSetFilesInOrder(CSplitJob& job);
    bool WriteJoinerCopy(JoinerKind kind, const std::string& dir, const std::string& baseName);
    bool WriteChecksumList(const CSplitJob& job, const std::string& baseName);
    bool WriteRecoveryFiles(CSplitJob& job);
    void ShowErrorFromWorker(const std::string& message);

    ISplitFrontEnd& m_ui;
    IJoinerImage& m_joiner;
    std::thread m_workerThread;
    std::atomic<bool> m_bWorkerAlive{false};
    bool m_bLastSplitComplete = false;
};

} // namespace portelan
