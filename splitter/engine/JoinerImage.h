// The joiner programs that the splitter carries and writes beside every set.
#pragma once

#include <cstddef>
#include <optional>
#include <span>

namespace portelan {

// The joiners of a set, in the order they are written: the Windows joiner
// under the set format's own name "_<base>.exe", then the Linux joiner
// "_<base>", so that a set made on either system rebuilds on both.
enum class JoinerKind { Windows, Linux };
inline constexpr JoinerKind kJoinerKinds[] = {JoinerKind::Windows, JoinerKind::Linux};

// Stands for the joiner resources of the splitter's own module ("CONCAT"
// 139 for the Windows joiner on Windows).
class IJoinerImage {
  public:
    virtual ~IJoinerImage() = default;
    // False when this build leaves the kind out on purpose (built without
    // the other system's toolchain): such a set has no copy of it.
    virtual bool Carries(JoinerKind kind) const = 0;
    // False when the program lacks the joiner it should carry.
    virtual bool Find(JoinerKind kind) = 0;
    // The joiner's bytes; nullopt when they cannot be loaded.
    virtual std::optional<std::span<const unsigned char>> Load(JoinerKind kind) = 0;
};

} // namespace portelan
