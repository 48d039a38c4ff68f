// The joiner programs linked into portelan-cli and portelan.
#pragma once

#include "splitter/engine/JoinerImage.h"

namespace portelan {

class CEmbeddedJoiner : public IJoinerImage {
  public:
    bool Carries(JoinerKind kind) const override;
    bool Find(JoinerKind kind) override;
    std::optional<std::span<const unsigned char>> Load(JoinerKind kind) override;
};

} // namespace portelan
