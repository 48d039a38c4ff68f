#include "splitter/engine/posix/EmbeddedJoiner.h"

// Placed by JoinerImage.S around the bytes of the built joiners.
extern "C" const unsigned char portelan_linux_joiner_begin[];
extern "C" const unsigned char portelan_linux_joiner_end[];
extern "C" const unsigned char portelan_windows_joiner_begin[];
extern "C" const unsigned char portelan_windows_joiner_end[];

namespace portelan {

namespace {

std::span<const unsigned char> Bytes(JoinerKind kind)
{
    if (kind == JoinerKind::Linux)
        return {portelan_linux_joiner_begin, portelan_linux_joiner_end};
    return {portelan_windows_joiner_begin, portelan_windows_joiner_end};
}

} // namespace

// A joiner left out of the build has no bytes; the Linux joiner is always built.
bool CEmbeddedJoiner::Carries(JoinerKind kind) const { return !Bytes(kind).empty(); }

bool CEmbeddedJoiner::Find(JoinerKind kind) { return !Bytes(kind).empty(); }

std::optional<std::span<const unsigned char>> CEmbeddedJoiner::Load(JoinerKind kind) { return Bytes(kind); }

} // namespace portelan
