// The joiners' way out of an error they cannot recover from (exhausted
// memory, a broken invariant of the library): the message, then the end.
#pragma once

namespace portelan::lean {

[[noreturn]] void Fatal(const char* what);

} // namespace portelan::lean
