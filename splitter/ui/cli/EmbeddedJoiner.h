// The joiner program linked into portelan-cli.
#pragma once

#include "splitter/engine/JoinerImage.h"

namespace portelan {

class CEmbeddedJoiner : public IJoinerImage {
  public:
    bool Find() override;
    std::optional<std::span<const unsigned char>> Load() override;
};

} // namespace portelan
