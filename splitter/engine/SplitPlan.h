// The plan of a split as one value: made once, checked without any I/O,
// shown to the user and handed to the worker as it was confirmed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace portelan {

// The diskette preset, the default piece size.
inline constexpr std::int64_t kDiskPieceSize = 1457664;
// Pieces' worth of recovery data a split writes unless told otherwise.
inline constexpr int kDefaultRecoveryPieces = 1;

// How a piece size was chosen: a preset by name, a number typed in a unit,
// or a number of pieces.
enum class PieceUnit { Disk, Cd650, Cd700, Fat32, Mail, Bytes, Kb, Mb, Count };

// A choice of piece size: bytes for a preset and for Bytes, the typed
// number for Kb and Mb, the number of pieces for Count.
struct PieceSizeValue {
    std::int64_t value = kDiskPieceSize;
    PieceUnit unit = PieceUnit::Disk;
    bool operator==(const PieceSizeValue&) const = default;
};

struct SplitPlan {
    // What the user chose.
    std::string sourceDir; // ends in a separator
    std::string sourceName;
    std::string targetDir;                       // ends in a separator
    PieceSizeValue choice;                       // a preset, Bytes or Count; never Kb or Mb
    int recoveryPieces = kDefaultRecoveryPieces; // pieces' worth; 0 for none

    // What MakePlan found out and worked out from it.
    std::int64_t sourceSize = 0;
    std::int64_t pieceSize = 0;
    int count = 0;
    // The free bytes on the target's volume; nullopt when the system could not say.
    std::optional<std::int64_t> freeBytes;
    // The planned piece that is the source file itself (1 to count), 0 for none.
    int sourcePiece = 0;
};

// The piece size a count of pieces gives: the smallest with at most count
// pieces; 0 for an empty source or a count below 1.
std::int64_t PieceSizeForCount(std::int64_t sourceSize, std::int64_t count);

// The smallest count with count * pieceSize >= sourceSize; 1 for an empty
// source or a piece size that is not positive. Saturates far above 999.
int CountPieces(std::int64_t sourceSize, std::int64_t pieceSize);

// Completes the chosen inputs with what the system says: the source's size,
// the piece size and count, the free space and whether a piece would be the
// source, each asked once. nullopt when the source's size cannot be had.
std::optional<SplitPlan> MakePlan(const SplitPlan& inputs);

} // namespace portelan
