#include "common/Checksum.h"

#include "common/Crc32.h"

#include <algorithm>
#include <new>

namespace portelan {

namespace {

// How far the reader may fall behind before the writer waits: enough to keep
// both cores busy, little enough that the bytes are still cached.
constexpr std::int64_t kMaxLag = 64 << 20;
constexpr std::size_t kReadBuffer = 1 << 20;
// Bytes per copy call: the unit of progress for the reader and for stopping.
constexpr std::int64_t kCopyChunk = 8 << 20;

} // namespace

CChecksumTrailer::CChecksumTrailer()
{
    // Without a reader thread every range counts as unreadable: the sum fails
    // instead of the copy waiting for ever.
    if (!m_thread.Start([](void* self) { static_cast<CChecksumTrailer*>(self)->Run(); }, this)) {
        m_result.ok = false;
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
                           std::int64_t length)
{
    if (length <= 0)
        return;
    std::lock_guard lock(m_monitor);
    while (m_queuedBytes >= kMaxLag && !m_closing)
        m_monitor.Wait();
    if (m_closing)
        return;
    m_queue.push_back({std::move(file), path, offset, length});
    m_queuedBytes += length;
    m_monitor.NotifyAll();
}

CChecksumTrailer::Result CChecksumTrailer::Finish()
{
    {
        std::lock_guard lock(m_monitor);
        m_closing = true;
    }
    m_monitor.NotifyAll();
    m_thread.Join();
    return m_result;
}

void CChecksumTrailer::Run()
{
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[kReadBuffer]);
    for (;;) {
        Range range;
        {
            std::lock_guard lock(m_monitor);
            while (m_queue.empty() && !m_closing)
                m_monitor.Wait();
            if (m_queue.empty())
                return;
            range = m_queue.front();
        }
        bool ok = m_result.ok && buffer && Fold(range, buffer.get());
        {
            std::lock_guard lock(m_monitor);
            if (!ok && m_result.ok) {
                m_result.ok = false;
                m_result.failedPath = range.path;
            }
            if (!m_queue.empty()) {
                m_queue.pop_front();
                m_queuedBytes -= range.length;
            }
        }
        m_monitor.NotifyAll();
    }
}

bool CChecksumTrailer::Fold(const Range& range, unsigned char* buffer)
{
    if (!range.file)
        return false;
    std::int64_t done = 0;
    while (done < range.length) {
        std::int64_t want = std::min<std::int64_t>(range.length - done, kReadBuffer);
        std::int64_t got = range.file->ReadAt(buffer, static_cast<std::size_t>(want), range.offset + done);
        if (got <= 0)
            return false; // the bytes were written a moment ago: missing ones are a fault
        m_result.crc = Crc32Update(m_result.crc, buffer, static_cast<std::size_t>(got));
        done += got;
    }
    return true;
}

platform::CopyResult CopyChunked(platform::File& in, platform::File& out, std::int64_t n,
                                 const ReadBack* readBack, const std::atomic<bool>* stop)
{
    platform::CopyResult total;
    while (total.bytes < n) {
        if (stop && stop->load())
            break;
        platform::CopyResult part = platform::CopyBytes(in, out, std::min(kCopyChunk, n - total.bytes));
        if (readBack)
            readBack->trailer.Add(readBack->file, readBack->path, readBack->offset + total.bytes, part.bytes);
        total.bytes += part.bytes;
        total.status = part.status;
        if (part.status != platform::CopyResult::Status::Ok || part.bytes == 0)
            break;
    }
    return total;
}

} // namespace portelan
