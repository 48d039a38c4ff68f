// The --size argument of portelan-cli, read as the piece-size window reads its input.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace portelan {

// "disk" is the diskette preset; otherwise a whole number with an optional
// unit K (x1024) or M (x1048576). Numbers above the window's cap for their
// unit are lowered to it (every cap is 1073741824 bytes); zero and negative
// numbers pass unchanged. nullopt when the text is neither.
std::optional<std::int64_t> ParsePieceSize(const std::string& text);

} // namespace portelan
