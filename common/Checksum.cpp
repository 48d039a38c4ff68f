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

CChecksumTrailer::CChecksumTrailer(Source source) : m_source(source)
{
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
    // Not the first queued: the reader may be at work on it.
    if (m_queue.size() < 2 || range.seal)
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
            while (m_queue.empty() && !m_closing)
                m_monitor.Wait();
            if (m_queue.empty())
                return;
            range = m_queue.front();
            crc = m_pieces[static_cast<std::size_t>(range.piece)].crc;
            ok = m_ok;
        }
        // Only this thread changes a piece's sum while ranges are queued.
        std::optional<Failure> failure;
        if (ok)
            failure = buffer ? Fold(range, buffer, crc) : Failure{};
        ok = ok && !failure;
        {
            std::lock_guard lock(m_monitor);
            Piece& piece = m_pieces[static_cast<std::size_t>(range.piece)];
            piece.crc = crc;
            piece.length += range.length;
            if (!ok && m_ok) {
                m_ok = false;
                m_failure = failure.value_or(Failure{});
                m_failedPath = range.path;
            }
            // The destructor may have emptied the queue meanwhile.
            if (!m_queue.empty()) {
                m_queue.pop_front();
                m_queuedBytes -= range.length;
            }
        }
        m_monitor.NotifyAll();
    }
}

std::optional<CChecksumTrailer::Failure> CChecksumTrailer::Fold(const Range& range, unsigned char* buffer,
                                                                std::uint32_t& crc)
{
    if (!range.file)
        return Failure{};
    platform::File& file = *range.file;
    if (range.seal) {
        if (m_source == Source::Medium && !file.Flush())
            return Failure{true, file.LastError()};
        return std::nullopt;
    }
    std::int64_t block = 1;
    if (m_source == Source::Medium) {
        const bool flushed =
            range.flush == Flush::Range ? file.FlushRange(range.offset, range.length) : file.Flush();
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
    while (done < range.length) {
        const std::int64_t rest = skip + range.length - done;
        const std::int64_t want = std::min<std::int64_t>((rest + block - 1) / block * block, kReadBuffer);
        const std::int64_t got = file.ReadAt(buffer, static_cast<std::size_t>(want), at);
        if (got <= skip)
            return Failure{false, file.LastError()}; // written a moment ago: missing bytes are a fault
        const std::int64_t use = std::min(got - skip, range.length - done);
        const std::span<const unsigned char> bytes(buffer + skip, static_cast<std::size_t>(use));
        crc = Crc32Update(crc, bytes.data(), bytes.size());
        for (IReadBackConsumer* consumer : m_consumers)
            consumer->Take(range.piece, bytes);
        done += use;
        at += got;
        skip = 0;
    }
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
        for (const ReadBack* back = readBack; back; back = back->next)
            back->trailer.Add(back->file, back->path, back->offset + total.bytes, part.bytes, back->piece,
                              back->flush);
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
