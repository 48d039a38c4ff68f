// Reads the PAR2 files beside a set's pieces, whoever wrote them, checks
// pieces against them and rebuilds missing or damaged ones.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "par2/Md5.h"
#include "par2/Packets.h"

namespace portelan::par2 {

enum class PieceState {
    Intact,
    Damaged,      // the right length, some slices wrong
    WrongLength,  // longer or shorter than described (slices beyond the end count as bad)
    Missing,      // no file to read
    NotDescribed, // the recovery set knows no piece of that name
};

struct PieceCheck {
    PieceState state = PieceState::NotDescribed;
    std::vector<std::uint32_t> badSlices; // within the piece, in order
};

class CRecoverySet {
  public:
    enum class LoadStatus {
        Ok,
        NoPackets,    // no sound PAR2 packet in any file
        NoSet,        // no recovery set describes any of the pieces
        Inconsistent, // the set lacks descriptions or checksums, has more than 32768 slices,
                      // or slices larger than any of the files read
        ReadFailed,   // a file could not be read (failedPath)
    };

    struct Source {
        std::string path; // where a repair reads its recovery slices from
        ByteSource* bytes = nullptr;
    };

    // Reads every "*.par2" file in dir; pieceNames as the configuration
    // names the pieces. Packets of other recovery sets are ignored.
    LoadStatus Load(const std::string& dir, const std::vector<std::string>& pieceNames);
    // The same from given sources (bytes in memory for the fuzzer).
    LoadStatus LoadSources(const std::vector<Source>& sources, const std::vector<std::string>& pieceNames);
    const std::string& FailedPath() const { return m_failedPath; }
    // Why the file at FailedPath could not be read, where the system said.
    platform::Error LoadError() const { return m_loadError; }

    std::int64_t SliceSize() const { return m_sliceSize; }
    std::uint32_t InputSlices() const { return m_inputSlices; }
    // Distinct recovery slices found.
    std::uint32_t RecoverySlices() const { return static_cast<std::uint32_t>(m_recovery.size()); }
    bool Describes(int piece) const;
    // The described length of a piece (-1 when not described).
    std::int64_t PieceLength(int piece) const;

    // Checks the file at path as piece at slice granularity.
    PieceCheck Check(int piece, const std::string& path) const;

    struct PieceOutcome {
        enum class Kind { Intact, Rebuilt, NotRebuilt, NotDescribed } kind = Kind::NotDescribed;
        PieceState before = PieceState::NotDescribed;
        std::string keptAs; // a damaged piece's new name, when one was in the way
    };
    struct RepairReport {
        enum class Status {
            Ok,         // every piece asked for is intact or was rebuilt
            NotEnough,  // missingSlices more recovery slices would be needed; nothing written
            Unsolvable, // the recovery slices found cannot stand in for the lost ones, or
                        // more than 2048 slices are lost; nothing written
            NoMemory,
            ReadFailed,  // failedPath
            WriteFailed, // failedPath
            CheckFailed, // a rebuilt piece did not match its checksums (failedPath, removed)
        } status = Status::Ok;
        std::uint32_t missingSlices = 0;
        std::string failedPath;
        platform::Error error; // the system's reason for a failed read or write, when it gave one
        std::vector<PieceOutcome> pieces;
    };

    // Rebuilds the pieces in rebuild (every broken one when empty) into
    // outDir under their names. piecePaths gives, per piece, the file to
    // read it from (empty: missing). A rebuilt piece is written under a
    // temporary name, checked against its MD5 and slice sums, and then takes
    // its name; a file already under that name is kept as "<name>.defekt"
    // (or "<name>.defekt2" …). Intact pieces are never touched.
    RepairReport Repair(const std::vector<std::string>& piecePaths, const std::string& outDir,
                        const std::vector<int>& rebuild = {}) const;

  private:
    struct FileInfo {
        Id id{};
        Md5Digest md5{};
        std::uint64_t length = 0;
        std::string name;
        std::vector<SliceSum> sums;
        std::uint32_t firstSlice = 0;
        int piece = -1;
    };
    struct RecoverySlice {
        std::uint32_t exponent = 0;
        int source = 0;
        std::int64_t offset = 0; // of the slice's data
    };

    PieceCheck CheckFile(const FileInfo& file, const std::string& path, bool wholeMd5, bool& md5Ok) const;

    std::int64_t m_sliceSize = 0;
    std::uint32_t m_inputSlices = 0;
    std::vector<FileInfo> m_files; // in the Main packet's order
    std::vector<int> m_pieceFile;  // per piece, index into m_files or -1
    std::vector<RecoverySlice> m_recovery;
    std::vector<std::string> m_sourcePaths;
    std::string m_failedPath;
    platform::Error m_loadError;
};

} // namespace portelan::par2
