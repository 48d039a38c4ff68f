// The parts of the platform seam that every platform shares.
#include "platform/BufferCopy.h"

#include <memory>
#include <new>

namespace portelan::platform {

namespace {

constexpr std::size_t kBufferSize = 1 << 20;

} // namespace

// The owning handle's moves are the same everywhere; only Close differs.
File::~File() { Close(); }

File::File(File&& other) noexcept
    : m_handle(other.m_handle), m_error(other.m_error), m_reads(other.m_reads)
{
    other.m_handle = kInvalid;
}

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        Close();
        m_handle = other.m_handle;
        m_error = other.m_error;
        m_reads = other.m_reads;
        other.m_handle = kInvalid;
    }
    return *this;
}

bool CanCopy(const File& in, const File& out, CopyResult& result)
{
    if (!in.IsOpen())
        result.status = CopyResult::Status::ReadFailed;
    else if (!out.IsOpen())
        result.status = CopyResult::Status::WriteFailed;
    return in.IsOpen() && out.IsOpen();
}

CopyResult CopyThroughBuffer(File& in, File& out, std::int64_t n, CopyResult result)
{
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[kBufferSize]);
    if (!buffer) {
        result.status = CopyResult::Status::NoMemory;
        return result;
    }
    while (result.bytes < n) {
        std::int64_t want = n - result.bytes;
        std::size_t chunk =
            want < static_cast<std::int64_t>(kBufferSize) ? static_cast<std::size_t>(want) : kBufferSize;
        std::int64_t got = in.Read(buffer.get(), chunk);
        if (got < 0) {
            result.status = CopyResult::Status::ReadFailed;
            result.error = in.LastError();
            return result;
        }
        if (got == 0)
            return result;
        if (!out.Write(buffer.get(), static_cast<std::size_t>(got))) {
            result.status = CopyResult::Status::WriteFailed;
            result.error = out.LastError();
            return result;
        }
        result.bytes += got;
    }
    return result;
}

} // namespace portelan::platform
