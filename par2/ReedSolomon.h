// The Reed-Solomon code of the PAR2 format over GF(2^16): recovery slice e
// is the sum over the input slices i of c_i^e · S_i.
#pragma once

#include <cstdint>
#include <vector>

#include "par2/Gf16.h"

namespace portelan::par2 {

// The constants c_0 … c_{count-1} of the first count input slices.
std::vector<gf16::Word> InputConstants(std::uint32_t count);

// For lost input slices with constants lost[j], picks as many of the
// available recovery exponents as there are lost slices such that the
// system they form can be solved, and gives its inverse: inverse[j · n + r]
// (n lost slices) is the factor of the r-th chosen recovery slice (with the
// present slices' part taken out) in lost slice j. False when the exponents
// available cannot stand in for the lost slices.
struct Solution {
    std::vector<std::uint32_t> exponents; // the chosen ones, one per lost slice
    std::vector<std::size_t> rows;        // their places in available
    std::vector<gf16::Word> inverse;      // lost × chosen, row by row
};
bool Solve(const std::vector<gf16::Word>& lost, const std::vector<std::uint32_t>& available,
           Solution& solution);

} // namespace portelan::par2
