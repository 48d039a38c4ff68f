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
#include "splitter/engine/SplitPlan.h"

namespace portelan {

// Room asked for beyond the source size before a split.
inline constexpr std::int64_t kFreeSpaceReserve = 102400;

// The verdict of a plan: the text for the notes field and whether
// "&Fortfahren" may be pressed. Asks the system nothing.
struct PlanVerdict {
    std::string text;
    bool canConfirm = false;
};
PlanVerdict CheckPlan(const SplitPlan& plan);

// The PieceSpec list of the plan's pieces, in order, named as the set names them.
std::vector<par2::PieceSpec> PlannedPieces(const SplitPlan& plan);
// The recovery files of the plan; nullopt when it asks for none, has fewer
// than two pieces or more than a set may have, or when no layout keeps
// every file within a piece.
std::optional<par2::RecoveryLayout> PlanRecoveryFiles(const SplitPlan& plan);
// The creator the recovery files name.
std::string RecoveryCreator();

// True when path names the plan's source file.
bool IsSourceFile(const SplitPlan& plan, const std::string& path);

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
PlanView DescribePlan(const SplitPlan& plan);

// The message for a failed worker (codes 1 to 7).
std::string FailureMessage(const CSplitJob& job);

// Runs the split operations of the splitter's main window, from the inputs
// it is handed. Everything but the worker runs on the front end's thread.
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
    void StartCommand(const SplitPlan& inputs, const StartInputs& have);

    // The plan made from the inputs, once the user has confirmed it.
    std::optional<SplitPlan> PrepareSplit(const SplitPlan& inputs);
    // Hands the plan to a new worker.
    bool StartSplit(const SplitPlan& plan);
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
