// What a check of a set comes to: each piece OK, damaged, unchecked or
// missing, and whether the set as a whole would join.
#pragma once

#include <cstdint>
#include <vector>

#include "joiner/ConcatApp.h"

namespace portelan {

enum class PieceVerdict { Intact, Damaged, Unchecked, Missing };

struct SetVerdict {
    std::vector<PieceVerdict> pieces; // in the order of the check's pieces
    int intact = 0;
    int damaged = 0;
    int unchecked = 0;
    int missing = 0;
    bool sizeDiffers = false;  // all there, but together not the record's size
    bool wholeDiffers = false; // all read, but the record's checksum does not match
    bool sound = false;        // every piece there and vouched for, and the whole fits the record
};

// recordSize is the size the configuration file gives for the whole.
SetVerdict JudgeSet(const CConcatApp::SetCheck& check, std::int64_t recordSize);

// "OK", "beschädigt", "ungeprüft", "fehlt"
const char* PieceVerdictText(PieceVerdict verdict);

} // namespace portelan
