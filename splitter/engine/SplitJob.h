// The record of one split: inputs, piece count and the worker's result.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "par2/RecoveryEncoder.h"
#include "platform/Platform.h"
#include "splitter/engine/SplitPlan.h"

namespace portelan {

class CSplitEngine;

// Worker failure codes; each has its message (see FailureMessage).
enum SplitError : int {
    kSplitOk = 0,
    kSplitNoMemory = 1,         // no copy buffer
    kSplitCreateFailed = 2,     // a piece file cannot be created
    kSplitReadFailed = 3,       // the source fails or yields no bytes
    kSplitWriteFailed = 4,      // writing a piece fails, a full disk included
    kSplitSourceNotOpened = 5,  // the source cannot be opened
    kSplitRecoveryNoMemory = 6, // no memory or thread for the recovery data
    kSplitRecoveryInput = 7     // the pieces read back differ from those planned
};

// One split as the worker runs it: the plan the user confirmed, and the
// worker's results.
class CSplitJob {
  public:
    explicit CSplitJob(const SplitPlan& plan) : m_plan(plan), m_strFailedPath(plan.targetDir) {}
    CSplitJob(const CSplitJob&) = delete;
    CSplitJob& operator=(const CSplitJob&) = delete;
    virtual ~CSplitJob() = default;

    const SplitPlan m_plan;
    bool m_bSucceeded = true;
    int m_nErrorCode = kSplitOk;
    platform::Error m_error;          // the system's reason for the failure, when it gave one
    std::string m_strFailedPath;      // the file the failure concerns; the target until then
    CSplitEngine* m_pOwner = nullptr; // receives progress and completion

    // CRC-32 of every byte written into the pieces, and of each piece,
    // valid after a success.
    std::uint32_t m_nChecksum = 0;
    std::vector<std::uint32_t> m_pieceChecksums;
    // The recovery data, fed from the read-back of the pieces and complete
    // after a success; null without recovery.
    std::unique_ptr<par2::CRecoveryEncoder> m_pRecovery;
    // True when every set file was written after the pieces.
    bool m_bSetWritten = false;
    // Set by the owner to make the worker stop at its next block and leave
    // without reporting (its owner is going away).
    std::atomic<bool> m_bStopRequested{false};
};

} // namespace portelan
