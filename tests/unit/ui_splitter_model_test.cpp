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
    void RunAboutBox() override
    {
        ++aboutBoxes;
        if (onAbout)
            onAbout();
    }

    std::string status;
    std::string recovery;
    std::map<Input, std::string> fields;
    std::map<Input, bool> boxes;
    std::deque<std::optional<std::string>> sources, folders;
    std::deque<std::optional<PieceSizeValue>> sizes;
    std::vector<std::string> browseDirs;
    std::vector<PieceSizeValue> sizesShown;
    int aboutBoxes = 0;
    std::function<void()> onAbout; // runs while the box is open

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
    EXPECT_EQ(h.model.Inputs().sourceDir, "/daten/");
    EXPECT_EQ(h.model.Inputs().sourceName, "film.avi");
    EXPECT_EQ(h.view.fields[Input::Source], "/daten/film.avi");
    EXPECT_EQ(h.model.BrowseDir(), "/daten/");
    EXPECT_EQ(h.view.status, "Auf Eingaben warten...");

    // A folder gets its separator; the root keeps its own.
    h.view.folders = {"/", "/ziel"};
    h.model.TargetClicked();
    EXPECT_EQ(h.model.Inputs().targetDir, "/");
    h.model.TargetClicked();
    EXPECT_EQ(h.model.Inputs().targetDir, "/ziel/");
    EXPECT_EQ(h.view.fields[Input::Target], "/ziel/");
    EXPECT_EQ(h.view.status, "Alle Informationen vorhanden.");

    // A cancelled chooser clears the box but keeps what was chosen before,
    // and the next source dialog opens where the last source was.
    h.model.SourceClicked();
    EXPECT_EQ(h.view.browseDirs, std::vector<std::string>{"/daten/"});
    EXPECT_FALSE(h.view.IsChecked(Input::Source));
    EXPECT_EQ(h.model.Inputs().sourceName, "film.avi");
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
    h.view.sizes = {PieceSizeValue{1500, PieceUnit::Kb}, std::nullopt, PieceSizeValue{0, PieceUnit::Disk}};
    h.model.PieceSizeClicked();
    EXPECT_EQ(h.model.Inputs().choice.value, 1536000);
    EXPECT_EQ(h.view.fields[Input::PieceSize], "1536000 [1.5 MB]");
    EXPECT_TRUE(h.view.IsChecked(Input::PieceSize));

    h.model.PieceSizeClicked(); // cancelled: the size stays, the box is cleared
    EXPECT_EQ(h.model.Inputs().choice.value, 1536000);
    EXPECT_FALSE(h.view.IsChecked(Input::PieceSize));
    EXPECT_EQ(h.view.status, "Auf Eingaben warten...");

    h.model.PieceSizeClicked();
    EXPECT_EQ(h.model.Inputs().choice.value, kDiskPieceSize);
    ASSERT_EQ(h.view.sizesShown.size(), 3u);
    EXPECT_EQ(h.view.sizesShown[0].unit, PieceUnit::Disk);
    EXPECT_EQ(h.view.sizesShown[1].value, 1);
    EXPECT_EQ(h.view.sizesShown[1].unit, PieceUnit::Mb);
}

// What the piece-size window gives is what the engine plans with.
TEST(SplitterModel, APresetOrACountChosenReachesThePlan)
{
    const struct {
        PieceSizeValue chosen;
        std::string field;
        int count;
        std::int64_t pieceSize;
    } cases[] = {
        {{0, PieceUnit::Cd650}, "681984000 [650.4 MB]", 2, 681984000},
        {{3, PieceUnit::Count}, "Anzahl der Teilstücke: 3", 3, 1000},
        {{7, PieceUnit::Count}, "Anzahl der Teilstücke: 7", 7, 429},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        ModelHarness h;
        test::TempDir dir;
        // Sparse: the plan only asks for the size.
        test::WriteFile(dir / "film.avi", "");
        std::filesystem::resize_file(dir / "film.avi", c.chosen.unit == PieceUnit::Count ? 3000 : 681984001);
        h.model.Init();
        h.view.sizes = {c.chosen};
        h.model.PieceSizeClicked();
        EXPECT_EQ(h.view.fields[Input::PieceSize], c.field);
        h.model.SetSourcePath(dir / "film.avi");
        h.model.SetTargetDir(dir.Dir());
        h.view.boxes = {{Input::Source, true}, {Input::Target, true}, {Input::PieceSize, true}};
        std::optional<SplitPlan> shown;
        h.ui.onConfirm = [&](const SplitPlan& plan) {
            shown = plan;
            return false;
        };
        h.model.StartClicked();
        ASSERT_TRUE(shown);
        EXPECT_EQ(shown->count, c.count);
        EXPECT_EQ(shown->pieceSize, c.pieceSize);
        // Reopened, the window shows the choice as it was made.
        h.view.sizes = {std::nullopt};
        h.model.PieceSizeClicked();
        EXPECT_EQ(h.view.sizesShown.back().unit, c.chosen.unit);
    }
}

TEST(SplitterModel, OneAboutBoxAtATime)
{
    ModelHarness h;
    h.view.onAbout = [&] { h.model.AboutRequested(); }; // F1 in the open box
    h.model.AboutRequested();
    h.model.AboutRequested();
    EXPECT_EQ(h.view.aboutBoxes, 2);
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
        ASSERT_EQ(h.model.Inputs().recoveryPieces, kDefaultRecoveryPieces);
        h.view.boxes = {{Input::Source, true}, {Input::Target, true}, {Input::PieceSize, true}};
        h.model.RecoveryEdited(c.typed);
        EXPECT_EQ(h.model.Inputs().recoveryPieces, c.taken < 0 ? kDefaultRecoveryPieces : c.taken);
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
        EXPECT_EQ(h.model.Inputs().recoveryPieces, 4);
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
