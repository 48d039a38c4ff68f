#include "par2/ReedSolomon.h"

#include <algorithm>
#include <cstddef>

namespace portelan::par2 {

std::vector<gf16::Word> InputConstants(std::uint32_t count)
{
    std::vector<gf16::Word> constants(count);
    std::uint32_t i = 0;
    for (std::uint32_t n = 1; i < count; ++n)
        if (n % 3 && n % 5 && n % 17 && n % 257)
            constants[i++] = gf16::Pow(2, n);
    return constants;
}

bool Solve(const std::vector<gf16::Word>& lost, const std::vector<std::uint32_t>& available,
           Solution& solution)
{
    const std::size_t n = lost.size();
    solution = {};
    // Gauss-Jordan, one row at a time: each exponent's row is reduced by
    // the rows kept so far and kept when something is left, which then
    // clears its pivot column in the others. reduced[k] = combination[k] ·
    // (the kept rows as they are), so when n rows are kept each reduced row
    // is a unit row and its combination the row of the inverse for its
    // pivot. One pass, little code in the joiners.
    std::vector<gf16::Word> reduced(n * n), combination(n * n);
    std::vector<std::size_t> pivots(n);
    // Sized once: one growth path less in the joiners.
    solution.exponents.resize(n);
    solution.rows.resize(n);
    std::size_t kept = 0;
    auto addScaled = [n](gf16::Word* to, const gf16::Word* from, gf16::Word f) {
        for (std::size_t c = 0; c < n; ++c)
            to[c] ^= gf16::Mul(f, from[c]);
    };
    for (std::size_t a = 0; a < available.size() && kept < n; ++a) {
        gf16::Word* row = &reduced[kept * n];
        gf16::Word* with = &combination[kept * n];
        for (std::size_t j = 0; j < n; ++j) {
            row[j] = gf16::Pow(lost[j], available[a]);
            with[j] = j == kept;
        }
        for (std::size_t k = 0; k < kept; ++k)
            if (const gf16::Word f = row[pivots[k]]) {
                addScaled(row, &reduced[k * n], f);
                addScaled(with, &combination[k * n], f);
            }
        std::size_t pivot = 0;
        while (pivot < n && !row[pivot])
            ++pivot;
        if (pivot == n)
            continue; // adds nothing
        const gf16::Word scale = gf16::Inv(row[pivot]);
        for (std::size_t c = 0; c < n; ++c) {
            row[c] = gf16::Mul(row[c], scale);
            with[c] = gf16::Mul(with[c], scale);
        }
        for (std::size_t k = 0; k < kept; ++k)
            if (const gf16::Word f = reduced[k * n + pivot]) {
                addScaled(&reduced[k * n], row, f);
                addScaled(&combination[k * n], with, f);
            }
        pivots[kept] = pivot;
        solution.exponents[kept] = available[a];
        solution.rows[kept] = a;
        ++kept;
    }
    if (kept < n) {
        solution = {};
        return false;
    }
    // Lost slice j is the combination of the row whose pivot is j.
    solution.inverse.resize(n * n);
    for (std::size_t k = 0; k < n; ++k)
        std::copy_n(&combination[k * n], n, &solution.inverse[pivots[k] * n]);
    return true;
}

} // namespace portelan::par2
