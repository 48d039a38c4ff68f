// The record of one split: inputs, piece count and the worker's result.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "par2/RecoveryEncoder.h"
#include "platform/Platform.h"

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

// A plan fills one on the stack, the confirmation shows one, and the worker
// gets one on the heap. Copied field by field (SetPlan), never as a whole.
class CSplitJob {
  public:
    CSplitJob() = default;
    CSplitJob(const CSplitJob&) = delete;
    CSplitJob& operator=(const CSplitJob&) = delete;
    virtual ~CSplitJob() = default;

    // Copies the fields a plan consists of.
    void SetPlan(const CSplitJob& plan);

    bool m_bSucceeded = true;
    int m_nErrorCode = kSplitOk;
    platform::Error m_error; // the system's reason for the failure, when it gave one
    int m_nCount = 0;
    CSplitEngine* m_pOwner = nullptr; // receives progress and completion
    std::string m_strTargetPath;      // T; replaced by the failing piece's path
    std::uint32_t m_nPieceSize32 = 0; // what the worker cuts by
    std::int64_t m_nSourceSize = 0;
    std::int64_t m_nPieceSize = 0; // as the user chose it
    std::string m_strSourceDir;
    std::string m_strSourceName;
    int m_nRecoveryPieces = 0; // pieces' worth of PAR2 recovery data; 0 for none

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
