// The --size argument of portelan-cli, read as the piece-size window reads its input.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "splitter/engine/SplitPlan.h"

namespace portelan {

// A preset's name (see kPiecePresets); otherwise a whole number with an
// optional unit K (x1024) or M (x1048576), as bytes. Numbers above the
// window's cap for their unit are lowered to it (every cap is 1073741824
// bytes); zero and negative numbers pass unchanged. nullopt when the text
// is neither.
std::optional<PieceSizeValue> ParsePieceSize(const std::string& text);

// The --count argument: a whole number of pieces, saturating far above 999;
// nullopt for anything else.
std::optional<std::int64_t> ParsePieceCount(const std::string& text);

} // namespace portelan
