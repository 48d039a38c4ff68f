#include "common/Checksum.h"

#include <zlib.h>

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
    m_result.crc = static_cast<std::uint32_t>(crc32_z(0, nullptr, 0));
    m_thread = std::thread([this] { Run(); });
}

CChecksumTrailer::~CChecksumTrailer()
{
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
        m_queue.clear();
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void CChecksumTrailer::Add(std::shared_ptr<platform::File> file, const std::string& path, std::int64_t offset,
                           std::int64_t length)
{
    if (length <= 0)
        return;
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_queuedBytes < kMaxLag || m_closing; });
    m_queue.push_back({std::move(file), path, offset, length});
    m_queuedBytes += length;
    m_changed.notify_all();
}

CChecksumTrailer::Result CChecksumTrailer::Finish()
{
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
    return m_result;
}

void CChecksumTrailer::Run()
{
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[kReadBuffer]);
    for (;;) {
        Range range;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] { return !m_queue.empty() || m_closing; });
            if (m_queue.empty())
                return;
            range = m_queue.front();
        }
        bool ok = m_result.ok && buffer && Fold(range, buffer.get());
        {
            std::lock_guard lock(m_mutex);
            if (!ok && m_result.ok) {
                m_result.ok = false;
                m_result.failedPath = range.path;
            }
            if (!m_queue.empty()) {
                m_queue.pop_front();
                m_queuedBytes -= range.length;
            }
        }
        m_changed.notify_all();
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
        m_result.crc =
            static_cast<std::uint32_t>(crc32_z(m_result.crc, buffer, static_cast<std::size_t>(got)));
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
