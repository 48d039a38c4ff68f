// Size texts and the free-space check shared by both programs.
#pragma once

#include <cstdint>
#include <string>

namespace portelan {

// A byte count as German size text with binary units: "0 Bytes", "1 Byte",
// "1.5 KB", "1024.0 KB" (just below a unit step), up to "TB". Never fails.
std::string FormatSize(std::int64_t count);

// On entry `count` holds the bytes needed. Returns true when the free space
// on the volume of `path` was determined and is at least that much. When the
// query succeeds, `count` returns the free byte count; when it fails the
// result is false and `count` is left as it was.
bool CheckFreeSpace(const std::string& path, std::int64_t& count);

} // namespace portelan
