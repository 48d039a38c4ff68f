// The one rule for the names of a set, as the plan and the joiners apply it.
#include <string>

#include <gtest/gtest.h>

#include "common/FileNames.h"

namespace portelan {
namespace {

TEST(SetNameRule, RefusesWhatEitherSystemCannotHoldAndOnlyWindowsWhatOnlyWindowsRefuses)
{
    using F = SetNameFault;
    struct Row {
        std::string base, ext;
        F posix, windows;
    } rows[] = {
        {"film", "avi", F::None, F::None},
        {".", "txt", F::None, F::None}, // "..txt"
        {"..", "txt", F::None, F::None},
        {"a.b", "c d", F::None, F::None},
        {"Łódź", "avi", F::None, F::None},
        {"", "txt", F::NoBaseName, F::NoBaseName},
        {"film", "", F::NoExtension, F::NoExtension},
        {"a\\b", "txt", F::Character, F::Character},
        {"a/b", "txt", F::Character, F::Character},
        {"a\x1F", "txt", F::Character, F::Character},
        {"a", "t\x7F", F::Character, F::Character},
        {"a\xC2\x85", "txt", F::Character, F::Character}, // U+0085, a C1 control
        {"a\xC2\x9F", "txt", F::Character, F::Character},
        {"a\xC2\xA0", "txt", F::None, F::None}, // U+00A0 is no control
        {"caf\xE9", "txt", F::None, F::None},   // Latin-1 bytes: no UTF-8 sequence at all
        {"a:b", "txt", F::None, F::WindowsReserved},
        {"a", "t:s", F::None, F::WindowsReserved},
        {"a?", "txt", F::None, F::WindowsReserved},
        {"film", "avi ", F::None, F::WindowsReserved},
        {"film", ".", F::None, F::WindowsReserved},
        {"NUL", "txt", F::None, F::WindowsReserved},
        {"con", "a", F::None, F::WindowsReserved},
        {"Com1", "log", F::None, F::WindowsReserved},
        {"lpt9 ", "x", F::None, F::WindowsReserved},
        {"aux.tar", "gz", F::None, F::WindowsReserved},
        {"CONOUT$", "x", F::None, F::WindowsReserved},
        {"com0", "log", F::None, F::None},
        {"console", "log", F::None, F::None},
        {"nul_", "txt", F::None, F::None},
        {"a:\x01", "txt", F::Character, F::Character}, // a control outweighs
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.base + " / " + r.ext);
        EXPECT_EQ(CheckSetNames(r.base, r.ext, false), r.posix);
        EXPECT_EQ(CheckSetNames(r.base, r.ext, true), r.windows);
    }
}

} // namespace
} // namespace portelan
