// Builds one part of the catalogue from the language files, and proves at
// compile time that every language lists every text of that part, in the
// order of the German one (which defines the names).
#pragma once

#include <cstddef>

namespace portelan::catalogue {

template <typename Id, std::size_t N> constexpr bool InOrder(const Id (&ids)[N])
{
    if (N != static_cast<std::size_t>(Id::Count))
        return false;
    for (std::size_t i = 0; i < N; ++i)
        if (ids[i] != static_cast<Id>(i))
            return false;
    return true;
}

} // namespace portelan::catalogue
