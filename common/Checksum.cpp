#include "common/Checksum.h"

#include "common/Crc32.h"

#include <algorithm>
#include <new>

namespace portelan {

namespace {

// How far the reader may fall behind before the writer waits: enough to keep
// both cores busy, little enough that the bytes are still cached.
constexpr std::int64_t kMaxLag = 64 << 20;
// Each queued range holds a handle of its file open: many small pieces must
// not use up the process's descriptors.
constexpr std::size_t kMaxQueuedRanges = 8;
// Reads from the medium go past the cache: large ones keep the device busy.
constexpr std::size_t kReadBuffer = 4 << 20;
constexpr std::int64_t kBlock = platform::File::kMediumBlock;
// Bytes per copy call: the unit of progress for the reader and for stopping.
constexpr std::int64_t kCopyChunk = 8 << 20;

} // namespace

// What the reader hands the folding thread, in order: the blocks it read,
// each in one of two buffers so that it fills one while the other is
// summed, and the end of each range. A monitor of its own: a block handed
// wakes the folding thread alone, not the writer.
struct CChecksumTrailer::Aside {
    struct Block {
        int buffer = -1; // which buffer holds bytes; -1 at the end of range
        std::span<const unsigned char> bytes;
        int piece = 0;
        Range range;                    // at the end only, as the ones below
        std::optional<Failure> failure; // the reader's
        bool seal = false;              // the folder flushes the whole file first
    };
    static constexpr int kBuffers = 2;
    // The two share the reader's memory: the split needs no more of it.
    static constexpr std::size_t kBuffer = kReadBuffer / kBuffers;

    platform::Monitor monitor; // guards the three below
    std::deque<Block> blocks;
    bool busy[kBuffers] = {}; // the buffer holds bytes not yet summed
    bool stop = false;
    std::size_t handed = 0; // guarded by the trailer's monitor
    int next = 0;           // the reader's alone: the buffer it fills next
    platform::Thread thread;

    void Hand(Block block)
    {
        {
            std::lock_guard lock(monitor);
            if (block.buffer >= 0)
                busy[block.buffer] = true;
            blocks.push_back(std::move(block));
        }
        monitor.NotifyAll();
    }
};

CChecksumTrailer::CChecksumTrailer(Source source) : m_source(source)
{
    StartAside();
    // Without a reader thread every range counts as unreadable: the sum fails
    // instead of the copy waiting for ever.
    if (!m_thread.Start([](void* self) { static_cast<CChecksumTrailer*>(self)->Run(); }, this)) {
        m_ok = false;
        m_closing = true;
    }
}

CChecksumTrailer::~CChecksumTrailer()
{
    {
        std::lock_guard lock(m_monitor);
        m_closing = true;
        m_queue.clear();
    }
    m_monitor.NotifyAll();
    m_thread.Join();
    StopAside();
}

void CChecksumTrailer::StartAside()
{
#if !defined(PORTELAN_LEAN_JOINER)
    // Without a folding thread the reader sums each block itself.
    m_aside.reset(new (std::nothrow) Aside);
    if (m_aside &&
        !m_aside->thread.Start([](void* self) { static_cast<CChecksumTrailer*>(self)->RunAside(); }, this))
        m_aside.reset();
#endif
}

void CChecksumTrailer::StopAside()
{
#if !defined(PORTELAN_LEAN_JOINER)
    if (!m_aside)
        return;
    {
        std::lock_guard lock(m_aside->monitor);
        m_aside->stop = true;
    }
    m_aside->monitor.NotifyAll();
    m_aside->thread.Join();
#endif
}

std::size_t CChecksumTrailer::Handed() const
{
    const Aside* aside = FoldsAside();
    return aside ? aside->handed : 0;
}

bool CChecksumTrailer::AllRead() const
{
    // Without the folding thread the reader reads the front: the joiners'
    // code stays small.
    return Handed() ? m_queue.size() <= Handed() : m_queue.empty();
}

void CChecksumTrailer::Add(std::shared_ptr<platform::File> file, const std::string& path, std::int64_t offset,
                           std::int64_t length, int piece, Flush flush)
{
    if (length > 0)
        Queue({std::move(file), path, offset, length, piece, flush, false});
}

void CChecksumTrailer::Seal(std::shared_ptr<platform::File> file, const std::string& path, int piece)
{
    Queue({std::move(file), path, 0, 0, piece, Flush::File, true});
}

bool CChecksumTrailer::Extends(const Range& range) const
{
    // Not one read already or being read.
    if (m_queue.size() < Handed() + 2 || range.seal)
        return false;
    const Range& last = m_queue.back();
    return !last.seal && last.file == range.file && last.piece == range.piece && last.flush == range.flush &&
           last.offset + last.length == range.offset && last.length + range.length <= kCopyChunk;
}

void CChecksumTrailer::Queue(Range range)
{
    std::lock_guard lock(m_monitor);
    // Small ranges that follow each other are read as one: a flush and a
    // read each of their own would keep the medium waiting.
    while ((m_queuedBytes >= kMaxLag || (m_queue.size() >= kMaxQueuedRanges && !Extends(range))) &&
           !m_closing)
        m_monitor.Wait();
    if (m_closing)
        return;
    if (range.piece >= static_cast<int>(m_pieces.size()))
        m_pieces.resize(static_cast<std::size_t>(range.piece) + 1);
    m_queuedBytes += range.length;
    if (Extends(range))
        m_queue.back().length += range.length;
    else
        m_queue.push_back(std::move(range));
    m_monitor.NotifyAll();
}

std::optional<std::uint32_t> CChecksumTrailer::WaitForPiece(int piece)
{
    std::lock_guard lock(m_monitor);
    while (!m_queue.empty() && !m_closing)
        m_monitor.Wait();
    if (!m_ok || !m_queue.empty())
        return std::nullopt;
    return piece < static_cast<int>(m_pieces.size()) ? m_pieces[static_cast<std::size_t>(piece)].crc : 0;
}

void CChecksumTrailer::ForgetPiece(int piece)
{
    std::lock_guard lock(m_monitor);
    if (piece < static_cast<int>(m_pieces.size()))
        m_pieces[static_cast<std::size_t>(piece)] = Piece{};
}

CChecksumTrailer::Result CChecksumTrailer::Finish()
{
    {
        std::lock_guard lock(m_monitor);
        m_closing = true;
    }
    m_monitor.NotifyAll();
    m_thread.Join();
    StopAside();
    Result result;
    result.ok = m_ok;
    result.flushFailed = !m_ok && m_failure.flush;
    result.error = m_failure.error;
    result.failedPath = m_failedPath;
    for (const Piece& piece : m_pieces) {
        result.crc = Crc32Combine(result.crc, piece.crc, static_cast<std::uint64_t>(piece.length));
        result.pieceCrc.push_back(piece.crc);
    }
    return result;
}

void CChecksumTrailer::AddConsumer(IReadBackConsumer& consumer) { m_consumers.push_back(&consumer); }

void CChecksumTrailer::Run()
{
    // Aligned as reads past the cache want it.
    std::unique_ptr<unsigned char[]> storage(new (std::nothrow) unsigned char[kReadBuffer + kBlock]);
    unsigned char* buffer = storage.get();
    if (buffer)
        buffer += (kBlock - reinterpret_cast<std::uintptr_t>(buffer) % kBlock) % kBlock;
    for (;;) {
        Range range;
        std::uint32_t crc;
        bool ok;
        {
            std::lock_guard lock(m_monitor);
            while (AllRead() && !m_closing)
                m_monitor.Wait();
            if (AllRead()) {
                // The folding thread is done with the buffers before they go.
                while (Handed() > 0)
                    m_monitor.Wait();
                return;
            }
            range = Handed() ? m_queue[Handed()] : m_queue.front();
            crc = m_pieces[static_cast<std::size_t>(range.piece)].crc;
            ok = m_ok;
        }
        // Only one thread changes a piece's sum while ranges are queued.
        std::optional<Failure> failure;
        Aside* aside = FoldsAside();
        // The folder flushes a whole file: the reader goes on with the next
        // one's bytes while the device writes this one's records.
        const bool seal = aside && ok && range.seal && range.file;
        if (ok && !seal)
            failure = buffer ? Fold(range, buffer, crc) : Failure{};
        if (aside) {
            {
                std::lock_guard lock(m_monitor);
                ++aside->handed;
            }
            const int piece = range.piece;
            aside->Hand({-1, {}, piece, std::move(range), failure, seal});
        } else {
            EndRange(range, crc, failure);
        }
    }
}

void CChecksumTrailer::RunAside()
{
    Aside& aside = *FoldsAside();
    std::uint32_t crc = 0;
    bool fresh = true; // the next block starts a range
    for (;;) {
        Aside::Block block;
        {
            std::lock_guard lock(aside.monitor);
            while (aside.blocks.empty() && !aside.stop)
                aside.monitor.Wait();
            if (aside.blocks.empty())
                return;
            block = std::move(aside.blocks.front());
            aside.blocks.pop_front();
        }
        if (fresh) {
            std::lock_guard lock(m_monitor);
            crc = m_pieces[static_cast<std::size_t>(block.piece)].crc;
        }
        fresh = block.buffer < 0;
        if (fresh) {
            EndRange(block.range, crc, block.seal ? Sealed(block.range) : block.failure);
            continue;
        }
        FoldBytes(block.piece, block.bytes, crc);
        {
            std::lock_guard lock(aside.monitor);
            aside.busy[block.buffer] = false;
        }
        aside.monitor.NotifyAll();
    }
}

unsigned char* CChecksumTrailer::FreeBuffer(unsigned char* buffers)
{
    Aside& aside = *FoldsAside();
    std::lock_guard lock(aside.monitor);
    while (aside.busy[aside.next])
        aside.monitor.Wait();
    return buffers + static_cast<std::size_t>(aside.next) * Aside::kBuffer;
}

void CChecksumTrailer::FoldBytes(int piece, std::span<const unsigned char> bytes, std::uint32_t& crc)
{
    crc = Crc32Update(crc, bytes.data(), bytes.size());
    for (IReadBackConsumer* consumer : m_consumers)
        consumer->Take(piece, bytes);
}

void CChecksumTrailer::EndRange(const Range& range, std::uint32_t crc, const std::optional<Failure>& failure)
{
    {
        std::lock_guard lock(m_monitor);
        Piece& piece = m_pieces[static_cast<std::size_t>(range.piece)];
        piece.crc = crc;
        piece.length += range.length;
        if (failure && m_ok) {
            m_ok = false;
            m_failure = *failure;
            m_failedPath = range.path;
        }
        // The destructor may have emptied the queue meanwhile.
        if (!m_queue.empty()) {
            m_queue.pop_front();
            m_queuedBytes -= range.length;
        }
        if (Aside* aside = FoldsAside())
            --aside->handed;
    }
    m_monitor.NotifyAll();
}

std::optional<CChecksumTrailer::Failure> CChecksumTrailer::Fold(const Range& range, unsigned char* buffer,
                                                                std::uint32_t& crc)
{
    if (!range.file)
        return Failure{};
    if (range.seal)
        return Sealed(range);
    platform::File& file = *range.file;
    std::int64_t block = 1;
    if (m_source == Source::Medium) {
        const bool flushed =
            range.flush != Flush::File ? file.FlushRange(range.offset, range.length) : file.Flush();
        if (!flushed)
            return Failure{true, file.LastError()};
        // Where the system refuses, the sum is of the cache: better than none.
        if (file.BypassCache(range.offset, range.length))
            block = kBlock;
    }
    // Whole blocks from a block boundary; the bytes outside the range are
    // read and left out.
    std::int64_t at = range.offset - range.offset % block;
    std::int64_t skip = range.offset - at;
    std::int64_t done = 0;
    Aside* aside = FoldsAside();
    const std::int64_t most = aside ? Aside::kBuffer : kReadBuffer;
    while (done < range.length) {
        unsigned char* into = aside ? FreeBuffer(buffer) : buffer;
        const std::int64_t rest = skip + range.length - done;
        const std::int64_t want = std::min<std::int64_t>((rest + block - 1) / block * block, most);
        const std::int64_t got = file.ReadAt(into, static_cast<std::size_t>(want), at);
        if (got <= skip)
            return Failure{false, file.LastError()}; // written a moment ago: missing bytes are a fault
        const std::int64_t use = std::min(got - skip, range.length - done);
        const std::span<const unsigned char> bytes(into + skip, static_cast<std::size_t>(use));
        if (aside) {
            aside->Hand({aside->next, bytes, range.piece, {}, {}, false});
            aside->next = (aside->next + 1) % Aside::kBuffers;
        } else {
            FoldBytes(range.piece, bytes, crc);
        }
        done += use;
        at += got;
        skip = 0;
    }
    return std::nullopt;
}

std::optional<CChecksumTrailer::Failure> CChecksumTrailer::Sealed(const Range& range) const
{
    if (m_source == Source::Medium && !range.file->Flush())
        return Failure{true, range.file->LastError()};
    return std::nullopt;
}

platform::CopyResult CopyChunked(platform::File& in, platform::File& out, std::int64_t n,
                                 const ReadBack* readBack, const std::atomic<bool>* stop,
                                 ICopyProgress* progress)
{
    platform::CopyResult total;
    while (total.bytes < n) {
        if (stop && stop->load())
            break;
        platform::CopyResult part = platform::CopyBytes(in, out, std::min(kCopyChunk, n - total.bytes));
        for (const ReadBack* back = readBack; back; back = back->next) {
            std::int64_t from = back->offset + total.bytes;
            std::int64_t to = from + part.bytes;
            if (platform::File::kFlushesRanges && back->flush == CChecksumTrailer::Flush::Continued) {
                from -= from % kBlock;
                to -= to % kBlock;
                out.StartFlush(from, to - from);
            }
            back->trailer.Add(back->file, back->path, from, to - from, back->piece, back->flush);
        }
        total.bytes += part.bytes;
        total.status = part.status;
        total.error = part.error;
        if (progress && part.bytes > 0)
            progress->Copied(total.bytes);
        if (part.status != platform::CopyResult::Status::Ok || part.bytes == 0)
            break;
    }
    return total;
}

} // namespace portelan
