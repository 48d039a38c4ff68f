// Computes a set's recovery data from its pieces' bytes as they stream by,
// and writes the PAR2 files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "par2/Layout.h"
#include "par2/Md5.h"
#include "par2/Packets.h"
#include "platform/Platform.h"

namespace portelan::par2 {

// The MD5 of a piece's first 16 KiB, which its file ID is made of.
constexpr std::size_t kHeadBytes = 16384;

// The heads of every piece, read from the source before the split: the
// order of the input slices follows the file IDs, so the coding needs them
// all before the first byte. Reads at most 16 KiB per piece; nullopt when
// the source cannot be read.
std::optional<std::vector<Md5Digest>> ReadPieceHeads(const std::string& sourcePath,
                                                     const std::vector<PieceSpec>& pieces);

// Fed the bytes of pieces 0 … count-1 in order, in blocks of any size, it
// computes each piece's MD5, the MD5 and CRC-32 of each slice and the
// recovery slices. A thread of its own does the slice sums and the coding
// while the caller's thread does the file MD5s. Memory: the recovery slices
// and four blocks of 1 MiB.
class CRecoveryEncoder {
  public:
    enum class Status {
        Ok,
        NoMemory,    // the recovery slices could not be had
        NoThread,    // the system refused a thread
        WrongInput,  // pieces fed out of order, short, long, or other than their heads said
        WriteFailed, // failedPath could not be written
    };
    struct Result {
        Status status = Status::Ok;
        std::string failedPath;
    };

    CRecoveryEncoder(RecoveryLayout layout, std::vector<PieceSpec> pieces, std::vector<Md5Digest> heads,
                     std::string creator);
    ~CRecoveryEncoder();
    CRecoveryEncoder(const CRecoveryEncoder&) = delete;
    CRecoveryEncoder& operator=(const CRecoveryEncoder&) = delete;

    // Reserves the memory and starts the thread.
    Status Start();
    // The next n bytes of piece; may wait while the thread is behind.
    void Feed(int piece, const void* data, std::size_t n);
    // Waits for the thread; Ok when every piece was fed whole.
    Status Finish();
    // Writes every file of the layout into dir (after a successful Finish).
    Result WriteFiles(const std::string& dir) const;

  private:
    struct Block {
        std::unique_ptr<unsigned char[]> data;
        int piece = 0;
        std::int64_t offset = 0; // in its piece
        std::size_t n = 0;
    };

    static void ThreadEntry(void* context);
    void Run();
    void Code(const Block& block);
    void Flush();
    void EndPiece();
    std::string CriticalPackets(Id& setId) const;

    RecoveryLayout m_layout;
    std::vector<PieceSpec> m_pieces;
    std::vector<Md5Digest> m_heads;
    std::string m_creator;
    std::vector<Id> m_fileIds;
    std::vector<std::uint32_t> m_firstSlice; // of each piece, in the order of the file IDs
    std::vector<std::uint16_t> m_constants;
    std::vector<std::unique_ptr<unsigned char[]>> m_recovery;

    // The caller's side.
    int m_piece = 0;
    std::int64_t m_fed = 0; // of m_piece
    Md5 m_fileMd5, m_headMd5;
    Block m_filling;
    std::vector<Md5Digest> m_pieceMd5;
    bool m_wrongInput = false;
    bool m_started = false;

    // The thread's side.
    std::vector<std::vector<SliceSum>> m_sums;
    std::vector<std::uint16_t> m_factors; // c^e of the slice being coded
    Md5 m_sliceMd5;
    std::uint32_t m_sliceCrc = 0;

    platform::Monitor m_monitor; // guards the queues and m_closing
    std::deque<Block> m_free, m_full;
    bool m_closing = false;
    platform::Thread m_thread;
};

} // namespace portelan::par2
