// The progress of a long copy in bytes, as one line for a terminal and a
// summary at the end: done and total, percent, speed and time left. For the
// consoles only: compiled into the Windows joiner it added 110 KB (MinGW's
// <chrono>).
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace portelan {

class CByteProgress {
  public:
    using Clock = std::chrono::steady_clock;

    // Starts the clock for a copy of total bytes.
    void Start(std::int64_t total);
    // Records done bytes; true when a line is due: at most five a second,
    // and always for the last byte, so that the last line says 100 %.
    bool Update(std::int64_t done);
    bool Started() const { return m_bStarted; }

    // "12.5 MB von 100.0 MB (12 %), 45,3 MB/s, noch 0:02, Teilstück x.003"
    std::string Line(const std::string& piece) const;
    // "100.0 MB aufgeteilt in 3,2 s, 31,2 MB/s." with verb "aufgeteilt".
    std::string Summary(const char* verb) const;

  private:
    // Milliseconds since Start, at least 1.
    std::int64_t ElapsedMs(Clock::time_point now) const;

    bool m_bStarted = false;
    std::int64_t m_nTotal = 0;
    std::int64_t m_nDone = 0;
    Clock::time_point m_start;
    Clock::time_point m_now;
    Clock::time_point m_lastLine;
};

// Tenths as German text: 32 -> "3,2".
std::string FormatTenths(std::int64_t tenths);

} // namespace portelan
