#include "splitter/ui/cli/EmbeddedJoiner.h"

// Placed by JoinerImage.S around the bytes of the built portelanconcat.
extern "C" const unsigned char portelan_joiner_begin[];
extern "C" const unsigned char portelan_joiner_end[];

namespace portelan {

bool CEmbeddedJoiner::Find() { return +portelan_joiner_end > +portelan_joiner_begin; }

std::optional<std::span<const unsigned char>> CEmbeddedJoiner::Load()
{
    return std::span<const unsigned char>(portelan_joiner_begin, portelan_joiner_end);
}

} // namespace portelan
