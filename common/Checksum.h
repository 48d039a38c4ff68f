// CRC-32 of the bytes that went into a file, computed beside the copy.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace portelan {

// Something else that wants the bytes the trailer reads back, piece by
// piece, in order; called on one of the trailer's threads, never on two at
// once.
class IReadBackConsumer {
  public:
    virtual void Take(int piece, std::span<const unsigned char> bytes) = 0;

  protected:
    ~IReadBackConsumer() = default;
};

// Reads back, on a thread of its own, the ranges that were just written and
// folds them into a CRC-32 (zlib's, see Crc32.h) per piece, and the pieces
// into one for all. The copy lets the kernel move the bytes, so they never
// pass through our memory. It reads through handles of the written files
// themselves, so the sum covers exactly the bytes written, whatever happens
// to their names meanwhile. The reader trails the writer by a bounded amount.
// A second thread sums each block while the reader reads the next, and
// flushes a sealed file whole while the reader reads the next file, so the
// medium waits neither for the sum nor for the file's records; the joiners,
// built for size, do both on the reader's thread.
//
// From the medium (the default), each range is first flushed through its
// handle and then read past the system's cache, so that the sum is of what
// the medium kept and the writer goes on with the next range meanwhile.
// From the cache, a range is read at once: for checking a piece's bytes
// while they are still cached, at the cost of one pass on the second core.
class CChecksumTrailer {
  public:
    enum class Source { Medium, Cache };

    struct Result {
        bool ok = true;                      // false when a range could not be flushed or read back
        bool flushFailed = false;            // it could not be flushed: a failed write
        platform::Error error;               // the system's reason, when it gave one
        std::uint32_t crc = 0;               // CRC-32 of all pieces, in the order of their numbers
        std::vector<std::uint32_t> pieceCrc; // CRC-32 of each piece (index 0 for the first)
        std::string failedPath;              // the file that could not be read back
    };

    // How a range from the medium reaches it before it is read back: with
    // its whole file, data and the system's records of it; or alone, for a
    // file that is read back while it is still written and sealed at its
    // end (Seal). Continued is Range for a file that copies go on in past
    // each chunk (a join), where the ranges flush alone: CopyChunked hands
    // whole blocks only, a chunk's partial last one with the next chunk, so
    // that the block the writer goes on in is neither written out twice nor
    // dropped under it; and it has the medium start on them at once, to
    // write them while the reader reads back the chunk before. The file's
    // last partial block is the caller's to hand.
    enum class Flush { File, Range, Continued };

    explicit CChecksumTrailer(Source source = Source::Medium);
    ~CChecksumTrailer();
    CChecksumTrailer(const CChecksumTrailer&) = delete;
    CChecksumTrailer& operator=(const CChecksumTrailer&) = delete;

    // Queues length bytes of file from offset as the next bytes of piece
    // (0 for the first); path names the file should it not read back. Blocks
    // while the reader is far behind.
    void Add(std::shared_ptr<platform::File> file, const std::string& path, std::int64_t offset,
             std::int64_t length, int piece = 0, Flush flush = Flush::File);
    // Queues the flush of the whole file after the ranges queued before it:
    // for a file whose ranges were flushed alone. Its failure fails the sum
    // as a failed range does.
    void Seal(std::shared_ptr<platform::File> file, const std::string& path, int piece);
    // Waits until every range queued so far has been read; the CRC-32 of the
    // piece, or nullopt when a range could not be read back.
    std::optional<std::uint32_t> WaitForPiece(int piece);
    // Drops what was read of piece, whose bytes were taken back out: the
    // piece starts afresh. Only after WaitForPiece.
    void ForgetPiece(int piece);
    // Waits until every queued range has been read; the thread ends.
    Result Finish();
    // Hands every byte read back to consumer too; before the first Add.
    void AddConsumer(IReadBackConsumer& consumer);

  private:
    struct Range {
        std::shared_ptr<platform::File> file;
        std::string path;
        std::int64_t offset;
        std::int64_t length;
        int piece;
        Flush flush = Flush::File;
        bool seal = false; // a flush of the whole file, nothing to read
    };
    struct Piece {
        std::uint32_t crc = 0;
        std::int64_t length = 0;
    };

    struct Failure {
        bool flush = false;
        platform::Error error;
    };

    struct Aside; // the folding thread and what the reader hands it
    struct NoAside {
        static constexpr Aside* get() { return nullptr; }
    };

    void Queue(Range range);
    bool Extends(const Range& range) const; // range can join the last one queued
    void Run();
    std::optional<Failure> Fold(const Range& range, unsigned char* buffer, std::uint32_t& crc);
    std::optional<Failure> Sealed(const Range& range) const; // the whole file flushed, when from the medium
    void FoldBytes(int piece, std::span<const unsigned char> bytes, std::uint32_t& crc);
    // The range at the front of the queue is summed: crc, or failure.
    void EndRange(const Range& range, std::uint32_t crc, const std::optional<Failure>& failure);
    void StartAside();
    void StopAside();
    void RunAside();
    unsigned char* FreeBuffer(unsigned char* buffers); // waits for one the folder is done with
    Aside* FoldsAside() const { return m_aside.get(); }
    std::size_t Handed() const; // ranges at the queue's front read, not yet summed
    bool AllRead() const;       // every queued range is read

    const Source m_source;
    std::vector<IReadBackConsumer*> m_consumers; // fixed before the first Add
    platform::Monitor m_monitor;                 // guards everything below but m_thread
    std::deque<Range> m_queue;
    std::int64_t m_queuedBytes = 0;
    bool m_closing = false;
    bool m_ok = true;
    Failure m_failure;
    std::string m_failedPath;
    std::vector<Piece> m_pieces;
#if defined(PORTELAN_LEAN_JOINER)
    [[no_unique_address]] NoAside m_aside;
#else
    std::unique_ptr<Aside> m_aside; // set before the threads start; null: the reader sums
#endif
    platform::Thread m_thread;
};

// Where a copy hands what it wrote for reading back.
struct ReadBack {
    CChecksumTrailer& trailer;
    std::shared_ptr<platform::File> file; // a handle of its own on the output
    std::string path;                     // the output's name, for messages
    std::int64_t offset = 0;              // where the copy starts in the output
    int piece = 0;                        // the piece the bytes belong to
    CChecksumTrailer::Flush flush = CChecksumTrailer::Flush::File;
    const ReadBack* next = nullptr; // another that wants the same chunks
};

// Told after every chunk of a copy how many bytes it has copied so far.
class ICopyProgress {
  public:
    virtual void Copied(std::int64_t bytes) = 0;

  protected:
    ~ICopyProgress() = default;
};

// Hands the bytes of one piece's copy on to a front end as bytes of the
// whole file: ui.ProgressBytes(done, total, piece).
template <class FrontEnd> class CProgressRelay final : public ICopyProgress {
  public:
    CProgressRelay(FrontEnd& ui, std::int64_t before, std::int64_t total, std::string piece)
        : m_ui(ui), m_before(before), m_total(total), m_piece(std::move(piece))
    {
    }
    void Copied(std::int64_t bytes) override { m_ui.ProgressBytes(m_before + bytes, m_total, m_piece); }

  private:
    FrontEnd& m_ui;
    std::int64_t m_before;
    std::int64_t m_total;
    std::string m_piece;
};

// Copies up to n bytes from the position of in to the position of out, in
// chunks, and hands every chunk written to readBack and those chained to it
// (when given). Stops early at the end of in, or when stop becomes true
// (status Ok, fewer bytes).
platform::CopyResult CopyChunked(platform::File& in, platform::File& out, std::int64_t n,
                                 const ReadBack* readBack = nullptr, const std::atomic<bool>* stop = nullptr,
                                 ICopyProgress* progress = nullptr);

} // namespace portelan
