#include "par2/ReedSolomon.h"

#include <utility>

namespace portelan::par2 {

std::vector<gf16::Word> InputConstants(std::uint32_t count)
{
    std::vector<gf16::Word> constants;
    constants.reserve(count);
    for (std::uint32_t n = 1; constants.size() < count; ++n)
        if (n % 3 && n % 5 && n % 17 && n % 257)
            constants.push_back(gf16::Pow(2, n));
    return constants;
}

namespace {

// Reduces row by the echelon rows (each with its pivot column); the row
// stays independent when something is left.
bool Reduce(std::vector<gf16::Word>& row, const std::vector<std::vector<gf16::Word>>& echelon,
            const std::vector<std::size_t>& pivots)
{
    for (std::size_t k = 0; k < echelon.size(); ++k) {
        const gf16::Word f = row[pivots[k]];
        if (f)
            for (std::size_t c = 0; c < row.size(); ++c)
                row[c] ^= gf16::Mul(f, echelon[k][c]);
    }
    for (gf16::Word w : row)
        if (w)
            return true;
    return false;
}

} // namespace

bool Solve(const std::vector<gf16::Word>& lost, const std::vector<std::uint32_t>& available,
           Solution& solution)
{
    const std::size_t n = lost.size();
    solution = {};
    // Take exponents in turn, keeping those that add to the rank: any n
    // independent rows make the system solvable.
    std::vector<std::vector<gf16::Word>> echelon, rows;
    std::vector<std::size_t> pivots;
    for (std::size_t a = 0; a < available.size() && rows.size() < n; ++a) {
        std::vector<gf16::Word> row(n);
        for (std::size_t j = 0; j < n; ++j)
            row[j] = gf16::Pow(lost[j], available[a]);
        std::vector<gf16::Word> reduced = row;
        if (!Reduce(reduced, echelon, pivots))
            continue;
        std::size_t pivot = 0;
        while (!reduced[pivot])
            ++pivot;
        const gf16::Word scale = gf16::Inv(reduced[pivot]);
        for (gf16::Word& w : reduced)
            w = gf16::Mul(w, scale);
        echelon.push_back(std::move(reduced));
        pivots.push_back(pivot);
        rows.push_back(std::move(row));
        solution.exponents.push_back(available[a]);
        solution.rows.push_back(a);
    }
    if (rows.size() < n)
        return false;
    // Gauss-Jordan on [rows | I]: rows · X = R, so X = rows^-1 · R.
    std::vector<std::vector<gf16::Word>> inverse(n, std::vector<gf16::Word>(n, 0));
    for (std::size_t r = 0; r < n; ++r)
        inverse[r][r] = 1;
    for (std::size_t c = 0; c < n; ++c) {
        std::size_t p = c;
        while (p < n && !rows[p][c])
            ++p;
        if (p == n)
            return false;
        std::swap(rows[p], rows[c]);
        std::swap(inverse[p], inverse[c]);
        const gf16::Word scale = gf16::Inv(rows[c][c]);
        for (std::size_t k = 0; k < n; ++k) {
            rows[c][k] = gf16::Mul(rows[c][k], scale);
            inverse[c][k] = gf16::Mul(inverse[c][k], scale);
        }
        for (std::size_t r = 0; r < n; ++r) {
            const gf16::Word f = rows[r][c];
            if (r == c || !f)
                continue;
            for (std::size_t k = 0; k < n; ++k) {
                rows[r][k] ^= gf16::Mul(f, rows[c][k]);
                inverse[r][k] ^= gf16::Mul(f, inverse[c][k]);
            }
        }
    }
    // Row c of rows was the equation of the chosen exponent c; after the
    // swaps, inverse maps the right-hand sides in their original order.
    solution.inverse = std::move(inverse);
    return true;
}

} // namespace portelan::par2
