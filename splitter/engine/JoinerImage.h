// The joiner program that the splitter carries and writes beside every set.
#pragma once

#include <cstddef>
#include <optional>
#include <span>

namespace portelan {

// Stands for the resource "CONCAT" 139 of the splitter's own module.
class IJoinerImage {
  public:
    virtual ~IJoinerImage() = default;
    // False when the program carries no joiner.
    virtual bool Find() = 0;
    // The joiner's bytes; nullopt when they cannot be loaded.
    virtual std::optional<std::span<const unsigned char>> Load() = 0;
};

} // namespace portelan
