// The main window's logic without a window: inputs, drops, the status rule,
// the progress bar and the hand-over to the window's thread.
#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <thread>

#include "engine_frontend.h"
#include "splitter/engine/HandOver.h"
#include "splitter/ui/SplitterModel.h"

namespace portelan {
namespace {

// The window as the model sees it: fields and boxes as plain values, the
// choosers and the piece-size window answered from queues.
class ScriptedView : public ISplitterView {
  public:
    void SetStatus(const std::string& text) override { status = text; }
    void ShowInput(Input input, const std::string& text) override { fields[input] = text; }
    void SetChecked(Input input, bool checked) override { boxes[input] = checked; }
    bool IsChecked(Input input) const override { return boxes.count(input) && boxes.at(input); }
    std::optional<std::string> ChooseSourceFile(const std::string& browseDir) override
    {
        browseDirs.push_back(browseDir);
        return Next(sources);
    }
    std::optional<std::string> ChooseFolder() override { return Next(folders); }
    std::optional<PieceSizeValue> ChoosePieceSize(const PieceSizeValue& shown) override
    {
        sizesShown.push_back(shown);
        return Next(sizes);
    }
    void ShowRecovery(const std::string& text) override { recovery = text; }

    std::string status;
    std::string recovery;
    std::map<Input, std::string> fields;
    std::map<Input, bool> boxes;
    std::deque<std::optional<std::string>> sources, folders;
    std::deque<std::optional<PieceSizeValue>> sizes;
    std::vector<std::string> browseDirs;
    std::vector<PieceSizeValue> sizesShown;

  private:
    template <typename T> static std::optional<T> Next(std::deque<std::optional<T>>& queue)
    {
        if (queue.empty())
            return std::nullopt;
        std::optional<T> next = queue.front();
        queue.pop_front();
        return next;
    }
};

struct ModelHarness {
    test::RecordingFrontEnd ui;
    test::FakeJoinerImage joiner;
    CSplitEngine engine{ui, joiner};
    ScriptedView view;
    CSplitterModel model{view, engine, "/start/"};
};

TEST(SplitterModel, TheDroppedPathDecidesByItsExtensionAlone)
{
    const struct {
        const char* path;
        const char* taken;
        bool isFile;
    } cases[] = {
        {"/a/film.avi", "/a/film.avi", true}, {"/a/.profile", "/a/.profile", true},
        {"/a/notes.", "/a/notes.", true},     {"/a/ordner", "/a/ordner/", false},
        {"/a.b/c", "/a.b/c/", false},         {"/a/ordner/", "/a/ordner/", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const DroppedPath dropped = ClassifyDrop(c.path);
        EXPECT_EQ(dropped.path, c.taken);
        EXPECT_EQ(dropped.isFile, c.isFile);
    }
}

TEST(SplitterModel, InputsSetTheirBoxTheFieldsAndTheStatus)
{
    ModelHarness h;
    h.model.Init();
    EXPECT_EQ(h.view.status, "Auf Eingaben warten...");
    EXPECT_EQ(h.view.fields[Input::PieceSize], "1457664 [1.4 MB]");
    EXPECT_TRUE(h.view.IsChecked(Input::PieceSize));
    EXPECT_FALSE(h.view.IsChecked(Input::Source));

    // A folder dropped on the source and a file on the target are ignored;
    // only the status is set anew.
    h.view.status = "Keine Stückgrösse.";
    h.model.Dropped(Input::Source, "/daten/ordner");
    h.model.Dropped(Input::Target, "/daten/film.avi");
    EXPECT_FALSE(h.view.IsChecked(Input::Source));
    EXPECT_FALSE(h.view.IsChecked(Input::Target));
    EXPECT_EQ(h.view.status, "Auf Eingaben warten...");

    h.model.Dropped(Input::Source, "/daten/film.avi");
    EXPECT_EQ(h.engine.m_strSourceDir, "/daten/");
    EXPECT_EQ(h.engine.m_strSourceName, "film.avi");
    EXPECT_EQ(h.view.fields[Input::Source], "/daten/film.avi");
    EXPECT_EQ(h.model.BrowseDir(), "/daten/");
    EXPECT_EQ(h.view.status, "Auf Eingaben warten...");

    // A folder gets its separator; the root keeps its own.
    h.view.folders = {"/", "/ziel"};
    h.model.TargetClicked();
    EXPECT_EQ(h.engine.m_strTargetDir, "/");
    h.model.TargetClicked();
    EXPECT_EQ(h.engine.m_strTargetDir, "/ziel/");
    EXPECT_EQ(h.view.fields[Input::Target], "/ziel/");
    EXPECT_EQ(h.view.status, "Alle Informationen vorhanden.");

    // A cancelled chooser clears the box but keeps what was chosen before,
    // and the next source dialog opens where the last source was.
    h.model.SourceClicked();
    EXPECT_EQ(h.view.browseDirs, std::vector<std::string>{"/daten/"});
    EXPECT_FALSE(h.view.IsChecked(Input::Source));
    EXPECT_EQ(h.engine.m_strSourceName, "film.avi");
    EXPECT_EQ(h.view.fields[Input::Source], "/daten/film.avi");
    EXPECT_EQ(h.view.status, "Auf Eingaben warten...");

    // "&Starten" hands the engine the boxes as they are: only the source is missing.
    h.model.StartClicked();
    EXPECT_EQ(h.ui.Statuses(), std::vector<std::string>{"Keine Quelldatei."});

    // A chosen source: the first dialog of a model opens where it was told.
    ModelHarness fresh;
    fresh.view.sources.push_back("/daten/film.avi");
    fresh.model.SourceClicked();
    EXPECT_EQ(fresh.view.browseDirs, std::vector<std::string>{"/start/"});
    EXPECT_TRUE(fresh.view.IsChecked(Input::Source));
    EXPECT_EQ(fresh.view.fields[Input::Source], "/daten/film.avi");
}

TEST(SplitterModel, ThePieceSizeWindowOpensWithTheStoredChoice)
{
    ModelHarness h;
    h.model.Init();
    h.view.sizes = {PieceSizeValue{1500, UNIT_KB}, std::nullopt, PieceSizeValue{0, UNIT_DISK}};
    h.model.PieceSizeClicked();
    EXPECT_EQ(h.engine.m_nPieceSize, 1536000);
    EXPECT_EQ(h.view.fields[Input::PieceSize], "1536000 [1.5 MB]");
    EXPECT_TRUE(h.view.IsChecked(Input::PieceSize));

    h.model.PieceSizeClicked(); // cancelled: the size stays, the box is cleared
    EXPECT_EQ(h.engine.m_nPieceSize, 1536000);
    EXPECT_FALSE(h.view.IsChecked(Input::PieceSize));
    EXPECT_EQ(h.view.status, "Auf Eingaben warten...");

    h.model.PieceSizeClicked();
    EXPECT_EQ(h.engine.m_nPieceSize, kDiskPieceSize);
    ASSERT_EQ(h.view.sizesShown.size(), 3u);
    EXPECT_EQ(h.view.sizesShown[0].unit, UNIT_DISK);
    EXPECT_EQ(h.view.sizesShown[1].value, 1);
    EXPECT_EQ(h.view.sizesShown[1].unit, UNIT_MB);
}

TEST(SplitterModel, TheRecoveryFieldHandsWholeNumbersToTheEngineAndRefusesTheRest)
{
    const char* const bad = "Keine gültige Anzahl für die Wiederherstellung.";
    const struct {
        const char* typed;
        int taken; // -1: refused, the engine keeps the default
    } cases[] = {
        {"0", 0},     {"2", 2},
        {" 3\t", 3},  {"007", 7},
        {"999", 999}, {"", -1},
        {"  ", -1},   {"1000", -1},
        {"-1", -1},   {"+2", -1},
        {"1.5", -1},  {"2a", -1},
        {"1 2", -1},  {"99999999999999999999", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("typed \"") + c.typed + "\"");
        ModelHarness h;
        h.model.Init();
        ASSERT_EQ(h.view.recovery, std::to_string(kDefaultRecoveryPieces));
        ASSERT_EQ(h.engine.m_nRecoveryPieces, kDefaultRecoveryPieces);
        h.view.boxes = {{Input::Source, true}, {Input::Target, true}, {Input::PieceSize, true}};
        h.model.RecoveryEdited(c.typed);
        EXPECT_EQ(h.engine.m_nRecoveryPieces, c.taken < 0 ? kDefaultRecoveryPieces : c.taken);
        EXPECT_EQ(h.view.status, c.taken < 0 ? bad : "Alle Informationen vorhanden.");
        // A box clicked meanwhile does not hide the refusal.
        h.view.boxes[Input::Source] = false;
        h.model.UpdateStatus();
        EXPECT_EQ(h.view.status, c.taken < 0 ? bad : "Auf Eingaben warten...");
        // "&Starten" reaches the engine only with a valid number.
        h.model.StartClicked();
        EXPECT_EQ(h.ui.Statuses(),
                  c.taken < 0 ? std::vector<std::string>{} : std::vector<std::string>{"Keine Quelldatei."});
        if (c.taken < 0) {
            EXPECT_EQ(h.view.status, bad);
        }
        // Corrected, the field counts again.
        h.model.RecoveryEdited("4");
        EXPECT_EQ(h.engine.m_nRecoveryPieces, 4);
        EXPECT_EQ(h.view.status, "Auf Eingaben warten...");
    }
}

TEST(ProgressModel, StepsPastTheEndStartOver)
{
    CProgressModel progress;
    progress.Init(0, 3, 1);
    std::vector<int> positions;
    for (int i = 0; i < 5; ++i) {
        progress.Step();
        positions.push_back(progress.Position());
    }
    EXPECT_EQ(positions, (std::vector<int>{1, 2, 3, 0, 1}));
    progress.Reset();
    EXPECT_EQ(progress.Position(), 0);
}

TEST(HandOver, RunsOnTheOwnersThreadUntilClosedThenGivesUp)
{
    CHandOver handOver;
    std::thread::id ranOn;
    std::thread worker([&] { handOver.RunAndWait([&] { ranOn = std::this_thread::get_id(); }); });
    while (!handOver.WaitAndRun(std::chrono::milliseconds(10))) {
    }
    worker.join();
    EXPECT_EQ(ranOn, std::this_thread::get_id());

    // A worker waiting for a task that has not begun is let go on close.
    bool ran = false;
    std::thread waiting([&] { handOver.RunAndWait([&] { ran = true; }); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    handOver.Close();
    waiting.join();
    EXPECT_FALSE(handOver.RunPending());
    handOver.RunAndWait([&] { ran = true; });
    EXPECT_FALSE(ran);
}

} // namespace
} // namespace portelan
