// CRC-32 as zlib computes it (reflected polynomial 0xEDB88320), small
// enough for the joiner copy that travels in every set.
#pragma once

#include <cstddef>
#include <cstdint>

namespace portelan {

// The CRC-32 of the bytes so far (crc, 0 for none) continued over data.
// Uses carry-less multiplication where the processor has it.
std::uint32_t Crc32Update(std::uint32_t crc, const void* data, std::size_t length);

// The CRC-32 of A followed by B, from the CRC-32 of A, the CRC-32 of B and
// the length of B, without the bytes (zlib's crc32_combine).
std::uint32_t Crc32Combine(std::uint32_t crcA, std::uint32_t crcB, std::uint64_t lengthB);

} // namespace portelan
