// A recording stand-in for the splitter's main window, a fake joiner image
// and a harness that runs the engine against real files.
#pragma once

#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "splitter/engine/HandOver.h"
#include "splitter/engine/SplitEngine.h"

namespace portelan::test {

// Long enough for a sanitizer build on a busy machine; only reached when
// the engine never hands its completion over.
inline constexpr std::chrono::seconds kHandOverTimeout{30};

// Carries both joiners; each kind can be made to go missing or fail to load.
class FakeJoinerImage : public IJoinerImage {
  public:
    explicit FakeJoinerImage(std::string windowsBytes = "MZ fake joiner\n",
                             std::string linuxBytes = "\x7f"
                                                      "ELF fake joiner\n")
        : m_bytes{Data(windowsBytes), Data(linuxBytes)}
    {
    }

    bool Carries(JoinerKind kind) const override { return carried[Slot(kind)]; }
    bool Find(JoinerKind kind) override { return found[Slot(kind)]; }
    std::optional<std::span<const unsigned char>> Load(JoinerKind kind) override
    {
        if (!loadable[Slot(kind)])
            return std::nullopt;
        const std::vector<unsigned char>& bytes = m_bytes[Slot(kind)];
        return std::span<const unsigned char>(bytes.data(), bytes.size());
    }

    std::string Bytes(JoinerKind kind = JoinerKind::Windows) const
    {
        const std::vector<unsigned char>& bytes = m_bytes[Slot(kind)];
        return std::string(bytes.begin(), bytes.end());
    }
    static int Slot(JoinerKind kind) { return kind == JoinerKind::Linux ? 1 : 0; }

    // Indexed by Slot.
    bool carried[2] = {true, true};
    bool found[2] = {true, true};
    bool loadable[2] = {true, true};

  private:
    static std::vector<unsigned char> Data(const std::string& text) { return {text.begin(), text.end()}; }

    std::vector<unsigned char> m_bytes[2];
};

// Records every call in order. Progress calls arrive on the worker thread,
// everything else on the thread that constructed the front end (the test's
// thread, which plays the window's message loop in RunUntil).
class RecordingFrontEnd : public ISplitFrontEnd {
  public:
    struct Event {
        std::string what;   // "status", "error", "confirm", "init", "step", "reset", "enable"
        std::string text;   // status text, error message, "0,3,1" for init, "1"/"0" for enable
        std::string detail; // error caption; plan verdict for confirm
        bool onWorker = false;
    };

    RecordingFrontEnd() : m_uiThread(std::this_thread::get_id()) {}

    void SetStatus(const std::string& text) override { Record("status", text); }
    void ShowErrorWindow(const std::string& message, const std::string& caption) override
    {
        Record("error", message, caption);
    }
    bool ConfirmPlan(const SplitPlan& plan) override
    {
        Record("confirm", DescribePlan(plan).count, CheckPlan(plan).text);
        // The plan the window was shown, for checks after the run.
        confirmedSourceSize = plan.sourceSize;
        confirmedCount = plan.count;
        return onConfirm ? onConfirm(plan) : true;
    }
    void ResetProgress() override { Record("reset", ""); }
    void InitProgress(int lower, int upper, int step) override
    {
        Record("init", std::to_string(lower) + "," + std::to_string(upper) + "," + std::to_string(step));
    }
    void StepProgress() override
    {
        int n = 0;
        {
            std::lock_guard lock(m_mutex);
            m_events.push_back({"step", "", "", IsWorker()});
            n = ++m_steps;
        }
        m_changed.notify_all();
        // Outside the lock: the hook may wait, or change the world.
        if (onStep)
            onStep(n);
    }
    void EnableStart(bool enable) override
    {
        Record("enable", enable ? "1" : "0");
        if (onEnable)
            onEnable(enable);
    }

    // The worker parks here until the test's thread has run the task. Once
    // the test has abandoned the window (its engine is about to go away),
    // the task is dropped instead, so that a completion delivered against
    // the rules shows up as a counted hand-over rather than a hang.
    void RunOnUiThread(const std::function<void()>& task) override
    {
        {
            std::lock_guard lock(m_mutex);
            ++m_handOvers;
        }
        if (onHandOver)
            onHandOver();
        m_handOver.RunAndWait(task);
    }

    // The window's message loop: runs handed-over tasks on this thread until
    // done() holds; false when that took longer than kHandOverTimeout.
    bool RunUntil(const std::function<bool()>& done)
    {
        const auto deadline = std::chrono::steady_clock::now() + kHandOverTimeout;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            m_handOver.WaitAndRun(std::chrono::milliseconds(10));
        }
        return true;
    }

    // Waits (on the test's thread) until the worker has stepped n times.
    bool WaitForSteps(int n)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, kHandOverTimeout, [&] { return m_steps >= n; });
    }

    // Releases a worker waiting in RunOnUiThread and drops later hand-overs.
    void Abandon() { m_handOver.Close(); }

    std::vector<Event> Events() const
    {
        std::lock_guard lock(m_mutex);
        return m_events;
    }
    std::vector<Event> Of(const std::string& what) const
    {
        std::vector<Event> found;
        for (const Event& e : Events())
            if (e.what == what)
                found.push_back(e);
        return found;
    }
    std::vector<std::string> Statuses() const
    {
        std::vector<std::string> texts;
        for (const Event& e : Of("status"))
            texts.push_back(e.text);
        return texts;
    }
    // Progress calls in order, as "init:0,3,1", "step", "reset".
    std::vector<std::string> Progress() const
    {
        std::vector<std::string> calls;
        for (const Event& e : Events())
            if (e.what == "init")
                calls.push_back("init:" + e.text);
            else if (e.what == "step" || e.what == "reset")
                calls.push_back(e.what);
        return calls;
    }
    int Steps() const
    {
        std::lock_guard lock(m_mutex);
        return m_steps;
    }
    int HandOvers() const
    {
        std::lock_guard lock(m_mutex);
        return m_handOvers;
    }

    // Hooks. onConfirm runs on the test's thread when the plan is shown (the
    // engine checks the plan once more after it); onEnable runs on the
    // test's thread, with false just before the worker starts; onStep runs
    // on the worker thread after the n-th StepProgress; onHandOver on the
    // worker as it asks for the window's thread.
    std::function<bool(const SplitPlan&)> onConfirm;
    std::function<void(bool)> onEnable;
    std::function<void(int)> onStep;
    std::function<void()> onHandOver;

    std::int64_t confirmedSourceSize = -1;
    int confirmedCount = -1;

  private:
    bool IsWorker() const { return std::this_thread::get_id() != m_uiThread; }
    void Record(const char* what, const std::string& text, const std::string& detail = "")
    {
        {
            std::lock_guard lock(m_mutex);
            m_events.push_back({what, text, detail, IsWorker()});
        }
        m_changed.notify_all();
    }

    const std::thread::id m_uiThread;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Event> m_events;
    CHandOver m_handOver;
    int m_steps = 0;
    int m_handOvers = 0;
};

// Source in <tmp>/src/, target <tmp>/out/, an engine wired to a recording
// front end and a fake joiner.
struct SplitHarness {
    explicit SplitHarness(FakeJoinerImage image = FakeJoinerImage())
        : joiner(std::move(image)), engine(std::make_unique<CSplitEngine>(ui, joiner))
    {
        std::filesystem::create_directory(tmp / "src");
        std::filesystem::create_directory(tmp / "out");
        inputs.sourceDir = SourceDir();
        inputs.targetDir = TargetDir();
        // Pieces of a few bytes cannot hold recovery files; the tests that
        // want them ask for them.
        inputs.recoveryPieces = 0;
    }
    // A worker still waiting for its hand-over (after a failed check) must
    // not keep the engine's destructor from joining it.
    ~SplitHarness()
    {
        ui.Abandon();
        engine.reset();
    }
    SplitHarness(const SplitHarness&) = delete;
    SplitHarness& operator=(const SplitHarness&) = delete;

    std::string SourceDir() const { return tmp / "src/"; }
    std::string TargetDir() const { return tmp / "out/"; }
    std::string SourcePath() const { return SourceDir() + inputs.sourceName; }
    void SetPieceSize(std::int64_t bytes) { inputs.choice = {bytes, PieceUnit::Bytes}; }

    void SetSource(const std::string& name, const std::string& bytes)
    {
        inputs.sourceName = name;
        WriteFile(SourcePath(), bytes);
    }

    // "&Starten" with all inputs, then the message loop until the worker has
    // handed over (or nothing was started).
    bool Run()
    {
        engine->StartCommand(inputs, {.haveSource = true, .haveTarget = true, .havePieceSize = true});
        return ui.RunUntil([this] { return !engine->IsRunning(); });
    }

    TempDir tmp;
    SplitPlan inputs;
    FakeJoinerImage joiner;
    RecordingFrontEnd ui;
    std::unique_ptr<CSplitEngine> engine;
};

// Names in a directory, sorted.
inline std::vector<std::string> ListNames(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

inline std::uint32_t Crc32(const std::string& bytes)
{
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size()));
    return static_cast<std::uint32_t>(crc);
}

inline std::uint64_t LittleEndian(const std::string& bytes, std::size_t offset, std::size_t width)
{
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
        value |= std::uint64_t{static_cast<unsigned char>(bytes.at(offset + i))} << (8 * i);
    return value;
}

// A text field of the configuration file as it must be on disk: the text,
// then NULs up to 256 bytes.
inline std::string TextField(const std::string& text)
{
    std::string field = text;
    field.resize(256, '\0');
    return field;
}

// The fields of a configuration file, read from its bytes at their offsets.
struct ConfigBytes {
    explicit ConfigBytes(const std::string& bytes) : size(bytes.size())
    {
        if (size < 536)
            return;
        typeWord = static_cast<std::uint32_t>(LittleEndian(bytes, 0, 4));
        marker = bytes.substr(4, 4);
        sourceSize = static_cast<std::int64_t>(LittleEndian(bytes, 8, 8));
        extension = bytes.substr(16, 256);
        baseName = bytes.substr(272, 256);
        count = static_cast<std::int32_t>(LittleEndian(bytes, 528, 4));
        crc = static_cast<std::uint32_t>(LittleEndian(bytes, 532, 4));
    }
    std::size_t size;
    std::uint32_t typeWord = 0;
    std::string marker;
    std::int64_t sourceSize = 0;
    std::string extension;
    std::string baseName;
    std::int32_t count = 0;
    std::uint32_t crc = 0;
};

} // namespace portelan::test
