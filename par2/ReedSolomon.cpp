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
    // Take exponents in turn, keeping those that add to the rank: any n
    // independent rows make the system solvable. echelon holds the kept
    // rows reduced (pivot 1, zero under the earlier pivots), rows the
    // same rows as they are.
    std::vector<gf16::Word> echelon(n * n), rows(n * n), row(n);
    std::vector<std::size_t> pivots(n);
    // Sized once: one growth path less in the joiners.
    solution.exponents.resize(n);
    solution.rows.resize(n);
    std::size_t kept = 0;
    for (std::size_t a = 0; a < available.size() && kept < n; ++a) {
        for (std::size_t j = 0; j < n; ++j)
            row[j] = gf16::Pow(lost[j], available[a]);
        gf16::Word* reduced = &echelon[kept * n];
        std::copy(row.begin(), row.end(), reduced);
        for (std::size_t k = 0; k < kept; ++k)
            if (const gf16::Word f = reduced[pivots[k]])
                for (std::size_t c = 0; c < n; ++c)
                    reduced[c] ^= gf16::Mul(f, echelon[k * n + c]);
        std::size_t pivot = 0;
        while (pivot < n && !reduced[pivot])
            ++pivot;
        if (pivot == n)
            continue; // adds nothing
        const gf16::Word scale = gf16::Inv(reduced[pivot]);
        for (std::size_t c = 0; c < n; ++c)
            reduced[c] = gf16::Mul(reduced[c], scale);
        pivots[kept] = pivot;
        std::copy(row.begin(), row.end(), &rows[kept * n]);
        solution.exponents[kept] = available[a];
        solution.rows[kept] = a;
        ++kept;
    }
    if (kept < n) {
        solution = {};
        return false;
    }
    // Gauss-Jordan on [rows | I]: rows · X = R, so X = rows^-1 · R.
    std::vector<gf16::Word>& inverse = solution.inverse;
    inverse.assign(n * n, 0);
    for (std::size_t r = 0; r < n; ++r)
        inverse[r * n + r] = 1;
    auto swapRows = [&](std::vector<gf16::Word>& m, std::size_t x, std::size_t y) {
        std::swap_ranges(m.begin() + static_cast<std::ptrdiff_t>(x * n),
                         m.begin() + static_cast<std::ptrdiff_t>(x * n + n),
                         m.begin() + static_cast<std::ptrdiff_t>(y * n));
    };
    for (std::size_t c = 0; c < n; ++c) {
        std::size_t p = c;
        while (p < n && !rows[p * n + c])
            ++p;
        if (p == n)
            return false;
        if (p != c) {
            swapRows(rows, p, c);
            swapRows(inverse, p, c);
        }
        const gf16::Word scale = gf16::Inv(rows[c * n + c]);
        for (std::size_t k = 0; k < n; ++k) {
            rows[c * n + k] = gf16::Mul(rows[c * n + k], scale);
            inverse[c * n + k] = gf16::Mul(inverse[c * n + k], scale);
        }
        for (std::size_t r = 0; r < n; ++r) {
            const gf16::Word f = rows[r * n + c];
            if (r == c || !f)
                continue;
            for (std::size_t k = 0; k < n; ++k) {
                rows[r * n + k] ^= gf16::Mul(f, rows[c * n + k]);
                inverse[r * n + k] ^= gf16::Mul(f, inverse[c * n + k]);
            }
        }
    }
    return true;
}

} // namespace portelan::par2
