// The joiner carried as resource "CONCAT" 139 of the program's own module.
#pragma once

#include "splitter/engine/JoinerImage.h"

namespace portelan {

class CResourceJoiner : public IJoinerImage {
  public:
    bool Find() override;
    std::optional<std::span<const unsigned char>> Load() override;

  private:
    void* m_hResource = nullptr;
};

} // namespace portelan
