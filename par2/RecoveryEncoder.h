// Computes a set's recovery data from its pieces' bytes as they stream by,
// and writes the PAR2 files.
#pragma once

#include <atomic>
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

namespace portelan {
class ICopyProgress;
}

namespace portelan::par2 {

// The MD5 of a piece's first 16 KiB, which its file ID is made of.
constexpr std::size_t kHeadBytes = 16384;

// The most memory the recovery slices may take. Up to it they are coded as
// the pieces stream by and written whole; beyond it (pieces larger than
// about 64 MiB at one piece's worth: 1 GiB and 4 GiB pieces) they are coded
// after the pieces are read back, in a second pass over them. 64 MiB keeps a
// split within reach of a small machine's spare memory beside the copy's own
// buffers, while a set that needs the second pass is one whose pieces are
// so large that reading them once more costs seconds, not minutes per GiB.
constexpr std::int64_t kRecoveryMemoryBudget = 64 << 20;

// The heads of every piece, read from the source before the split: the
// order of the input slices follows the file IDs, so the coding needs them
// all before the first byte. Reads at most 16 KiB per piece; nullopt when
// the source cannot be read.
std::optional<std::vector<Md5Digest>> ReadPieceHeads(const std::string& sourcePath,
                                                     const std::vector<PieceSpec>& pieces);

// Fed the bytes of pieces 0 … count-1 in order, in blocks of any size, it
// computes each piece's MD5, the MD5 and CRC-32 of each slice and the
// recovery slices. A thread of its own does the sums (a piece's MD5 and its
// slices' in one pass over the bytes) and the coding, which leaves the
// caller's thread free for the copy. Memory: eight blocks of 1 MiB
// and the recovery slices, as long as they fit memoryBudget; larger ones are
// coded by WriteFiles in stripes across every slice, as wide as lets two
// sets of the recovery slices' stripes (one coded, one written) and one
// input stripe fit 4 MiB of the processor's cache and the budget.
class CRecoveryEncoder {
  public:
    enum class Status {
        Ok,
        NoMemory,    // the recovery slices could not be had
        NoThread,    // the system refused a thread
        WrongInput,  // pieces fed out of order, short, long, or other than their heads said
        WriteFailed, // failedPath could not be written
        ReadFailed,  // the piece failedPath could not be read back for the coding
        Stopped,     // the stop flag was raised while the files were written
    };
    struct Result {
        Status status = Status::Ok;
        std::string failedPath;
        platform::Error error; // the system's reason, when it gave one
    };

    CRecoveryEncoder(RecoveryLayout layout, std::vector<PieceSpec> pieces, std::vector<Md5Digest> heads,
                     std::string creator, std::int64_t memoryBudget = kRecoveryMemoryBudget);
    ~CRecoveryEncoder();
    CRecoveryEncoder(const CRecoveryEncoder&) = delete;
    CRecoveryEncoder& operator=(const CRecoveryEncoder&) = delete;

    // Its files, the index file "_<base>.par2" first.
    const RecoveryLayout& Layout() const { return m_layout; }
    // Reserves the memory and starts the thread.
    Status Start();
    // The next n bytes of piece; may wait while the thread is behind.
    void Feed(int piece, const void* data, std::size_t n);
    // Waits for the thread; Ok when every piece was fed whole.
    Status Finish();
    // Writes every file of the layout into dir (after a successful Finish),
    // each flushed. Recovery slices beyond the memory budget are coded now,
    // from the pieces in dir (their names in the PieceSpecs), never from
    // the source; stop, when given and raised, ends that early, and progress
    // hears how many of the pieces' bytes that pass has read.
    Result WriteFiles(const std::string& dir, const std::atomic<bool>* stop = nullptr,
                      ICopyProgress* progress = nullptr);

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
    static void PadEntry(void* context);
    void PadSlices();
    std::string CriticalPackets(Id& setId) const;
    Result WriteStriped(const std::string& dir, const std::atomic<bool>* stop, ICopyProgress* progress);

    RecoveryLayout m_layout;
    std::vector<PieceSpec> m_pieces;
    std::vector<Md5Digest> m_heads;
    std::string m_creator;
    std::int64_t m_budget;
    bool m_striped = false;
    std::vector<Id> m_fileIds;
    std::vector<std::uint32_t> m_firstSlice; // of each piece, in the order of the file IDs
    std::vector<std::uint16_t> m_constants;
    std::vector<std::unique_ptr<unsigned char[]>> m_recovery;

    // The caller's side.
    int m_piece = 0;
    std::int64_t m_fed = 0; // of m_piece
    Md5 m_headMd5;
    Block m_filling;
    bool m_wrongInput = false;
    bool m_started = false;

    // The thread's side.
    std::vector<std::vector<SliceSum>> m_sums;
    std::vector<Md5Digest> m_pieceMd5;
    std::vector<std::uint16_t> m_factors; // c^e of the slice being coded
    Md5 m_fileMd5, m_sliceMd5;
    std::uint32_t m_sliceCrc = 0;
    // Short slices whose zero padding is still to be summed (second pass only).
    struct Padding {
        int piece;
        std::size_t sum; // its place in m_sums[piece]
        Md5 md5;
        std::uint32_t crc;
        std::int64_t zeros;
    };
    std::vector<Padding> m_padding;

    platform::Monitor m_monitor; // guards the queues and m_closing
    std::deque<Block> m_free, m_full;
    bool m_closing = false;
    platform::Thread m_thread;
};

} // namespace portelan::par2
