// How the recovery data of a set is cut into slices and files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace portelan::par2 {

struct PieceSpec {
    std::string name;        // as the set names the piece, without a directory
    std::int64_t length = 0; // bytes
};

struct RecoveryFile {
    std::string name;
    std::uint32_t firstExponent = 0; // of the recovery slices it holds
    std::uint32_t slices = 0;        // 0 for the index file
    std::int64_t bytes = 0;          // its exact size
};

struct RecoveryLayout {
    std::int64_t sliceSize = 0;       // a multiple of 4
    std::uint32_t slicesPerPiece = 0; // of a full piece
    std::uint32_t inputSlices = 0;    // over all pieces
    std::uint32_t recoverySlices = 0; // over all volumes
    std::int64_t criticalBytes = 0;   // Main, FileDesc, IFSC and Creator packets, once
    std::vector<RecoveryFile> files;  // the index file _<base>.par2 first, then the volumes
    std::int64_t totalBytes = 0;      // of all files together
};

// The layout for recoveryPieces pieces' worth of recovery data over pieces
// (all of pieces[0]'s length but the last, which may be shorter), in files
// named after par2Base ("_film" gives "_film.par2", "_film.vol0+1.par2", …),
// none longer than a piece.
//
// A slice is a piece's length divided by the fewest slices per piece (at
// least 2) for which a volume holds at least one slice beside its copy of
// the critical packets; one piece's worth is that many recovery slices, so
// it costs about one piece's length plus, per volume, the critical packets
// and 68 bytes per slice. Nullopt when no layout keeps every file within a
// piece's length (many tiny pieces, whose descriptions alone outgrow one)
// or the set would need more than 32768 input slices.
std::optional<RecoveryLayout> PlanRecovery(const std::string& par2Base, const std::vector<PieceSpec>& pieces,
                                           std::uint32_t recoveryPieces, const std::string& creator);

// "_film.vol3+4.par2": as par2cmdline names its volumes, the first exponent
// padded with zeros to the width of the total count, the count to that of
// the largest count ("vol00+9", "vol09+9").
std::string VolumeName(const std::string& par2Base, std::uint32_t first, std::uint32_t count,
                       std::uint32_t firstWidth, std::uint32_t countWidth);

// name in the directory dir (with or without its final separator).
std::string PathIn(const std::string& dir, const std::string& name);

} // namespace portelan::par2
