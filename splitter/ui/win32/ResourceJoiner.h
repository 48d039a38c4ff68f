// The joiners carried as resources of the program's own module: "CONCAT"
// 139 (Windows) and "CONCAT" 140 (Linux; left out by a build without it).
#pragma once

#include "splitter/engine/JoinerImage.h"

namespace portelan {

class CResourceJoiner : public IJoinerImage {
  public:
    bool Carries(JoinerKind kind) const override;
    bool Find(JoinerKind kind) override;
    std::optional<std::span<const unsigned char>> Load(JoinerKind kind) override;

  private:
    void* m_hResource[2] = {nullptr, nullptr};
};

} // namespace portelan
