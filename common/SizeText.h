// Size texts and the free-space check shared by both programs.
#pragma once

#include <cstdint>
#include <string>

namespace portelan {

// A byte count as German size text with binary units: "0 Bytes", "1 Byte",
// "1.5 KB", "1024.0 KB" (just below a unit step), up to "TB". Never fails.
std::string FormatSize(std::int64_t count);

struct FreeSpace {
    bool enough = false;    // the free space was determined and is at least what is needed
    std::int64_t bytes = 0; // the free bytes; what is needed when the query failed
};
// Whether the volume of `path` has `needed` bytes free.
FreeSpace CheckFreeSpace(const std::string& path, std::int64_t needed);

} // namespace portelan
