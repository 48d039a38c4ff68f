// Window captions both programs use.
#pragma once

namespace portelan {

// The error window's caption where no other is given.
inline constexpr const char* kErrorCaption = "Fehlermeldung";

} // namespace portelan
