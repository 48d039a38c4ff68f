#include "joiner/console/ByteProgress.h"

#include "common/SizeText.h"
#include "common/StrFormat.h"
#include "texts/JoinerTexts.h"

namespace portelan {

namespace {

constexpr std::int64_t kLineIntervalMs = 200;

// Bytes per second in tenths of a MB (the size texts' binary megabyte).
std::int64_t SpeedTenths(std::int64_t bytes, std::int64_t ms)
{
    // Computed in kilobytes so that a terabyte cannot overflow.
    return bytes / 1024 * 10 * 1000 / ms / 1024;
}

// "0:07", "12:34", "1:02:03"
std::string FormatDuration(std::int64_t seconds)
{
    const std::int64_t h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    if (h > 0)
        return StrFormat("%lld:%02lld:%02lld", static_cast<long long>(h), static_cast<long long>(m),
                         static_cast<long long>(s));
    return StrFormat("%lld:%02lld", static_cast<long long>(m), static_cast<long long>(s));
}

} // namespace

std::string FormatTenths(std::int64_t tenths)
{
    return StrFormat(Tr(JoinerText::DecimalTenths), static_cast<long long>(tenths / 10),
                     static_cast<long long>(tenths % 10));
}

void CByteProgress::Start(std::int64_t total)
{
    m_bStarted = true;
    m_nTotal = total;
    m_nDone = 0;
    // The first line waits like the others: a speed over a few
    // milliseconds says nothing.
    m_start = m_now = m_lastLine = Clock::now();
}

std::int64_t CByteProgress::ElapsedMs(Clock::time_point now) const
{
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now - m_start).count();
    return ms > 0 ? static_cast<std::int64_t>(ms) : 1;
}

bool CByteProgress::Update(std::int64_t done)
{
    m_nDone = done;
    m_now = Clock::now();
    const bool last = done >= m_nTotal;
    if (!last &&
        std::chrono::duration_cast<std::chrono::milliseconds>(m_now - m_lastLine).count() < kLineIntervalMs)
        return false;
    m_lastLine = m_now;
    return true;
}

std::string CByteProgress::Line(const std::string& piece) const
{
    const std::int64_t ms = ElapsedMs(m_now);
    const long long percent = m_nTotal > 0 ? static_cast<long long>(m_nDone * 100 / m_nTotal) : 100;
    std::string line =
        StrFormat(Tr(JoinerText::ProgressLine), FormatSize(m_nDone).c_str(), FormatSize(m_nTotal).c_str(),
                  percent > 100 ? 100LL : percent, FormatTenths(SpeedTenths(m_nDone, ms)).c_str());
    // Time left from the speed so far; unknown before the first byte.
    if (m_nDone > 0) {
        const std::int64_t left = m_nTotal > m_nDone ? m_nTotal - m_nDone : 0;
        const std::int64_t bytesPerSecond = m_nDone * 1000 / ms;
        line += StrFormat(
            Tr(JoinerText::ProgressTimeLeft),
            FormatDuration(bytesPerSecond > 0 ? (left + bytesPerSecond - 1) / bytesPerSecond : 0).c_str());
    }
    if (!piece.empty())
        line += StrFormat(Tr(JoinerText::ProgressPiece), piece.c_str());
    return line;
}

std::string CByteProgress::Summary(const char* verb) const
{
    const std::int64_t ms = ElapsedMs(m_now);
    return StrFormat(Tr(JoinerText::ProgressSummary), FormatSize(m_nDone).c_str(), verb,
                     FormatTenths((ms + 50) / 100).c_str(), FormatTenths(SpeedTenths(m_nDone, ms)).c_str());
}

} // namespace portelan
