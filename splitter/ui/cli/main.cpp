// portelan-cli: the splitter without a window system.
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "common/PathText.h"
#include "common/SplitSet.h"
#include "common/StrFormat.h"
#include "joiner/ConcatApp.h"
#include "joiner/console/ConsoleFrontEnd.h"
#include "platform/Platform.h"
#include "splitter/engine/SplitEngine.h"
#include "splitter/engine/posix/EmbeddedJoiner.h"
#include "splitter/ui/cli/CliFrontEnd.h"
#include "splitter/ui/cli/JoinArgument.h"
#include "splitter/ui/cli/SizeArgument.h"
#include "splitter/update/UpdateCheck.h"
#include "splitter/update/UpdateEntry.h"
#include "splitter/update/posix/CurlHttpClient.h"

namespace {

constexpr const char* kUsage =
    "Aufruf: portelan-cli split QUELLDATEI ZIELVERZEICHNIS [--size GROESSE] [--recovery N]\n"
    "  GROESSE: disk (1457664 Bytes, Vorgabe) oder eine Zahl mit K (x1024) oder M (x1048576)\n"
    "  N: Wiederherstellungsdaten (PAR2) für N verlorene Teilstücke (Vorgabe 1, 0: keine)\n"
    "       portelan-cli update\n"
    "  sucht eine neuere Version und lädt sie in das Verzeichnis des Programms;\n"
    "  Ende mit 0, wenn eine neue Version herunter geladen wurde, sonst mit 1.\n"
    "       portelan-cli join [VERZEICHNIS | KONFIGURATIONSDATEI]\n"
    "  setzt die Datei aus den Teilstücken wieder zusammen, neben der Konfigurationsdatei\n"
    "  (_NAME.cfg, die einzige im VERZEICHNIS, Vorgabe: im aktuellen Verzeichnis);\n"
    "  Ende mit 0, wenn die Datei erstellt wurde, sonst mit 1.\n"
    "       portelan-cli verify [VERZEICHNIS | KONFIGURATIONSDATEI]\n"
    "  prüft die Teilstücke gegen die Prüfsummenliste (_NAME.sfv), ohne sie zusammenzusetzen;\n"
    "  Ende mit 0, wenn alle vorhanden und unbeschädigt sind, sonst mit 1.\n"
    "       portelan-cli repair [VERZEICHNIS | KONFIGURATIONSDATEI]\n"
    "  erstellt fehlende oder beschädigte Teilstücke aus den Wiederherstellungsdaten\n"
    "  (_NAME.par2, _NAME.vol*.par2) neu, ohne sie zusammenzusetzen; beschädigte werden\n"
    "  als NAME.NNN.defekt behalten. Ende mit 0, wenn der Satz danach vollständig ist, sonst mit 1.\n"
    "       portelan-cli --help | -h\n"
    "       portelan-cli --version | -V\n"
    "  gibt diese Hilfe oder den Namen und die Version des Programms aus.\n";

int UsageError(const char* problem)
{
    if (problem)
        std::fprintf(stderr, "portelan-cli: %s\n", problem);
    std::fputs(kUsage, stderr);
    return 2;
}

// The update check's boxes on the terminal: caption line, then the text;
// questions are answered with a line on standard input.
class CliUpdateUi : public portelan::IUpdateUi {
  public:
    portelan::BoxAnswer ShowMessageBox(const std::string& text, const std::string& caption,
                                       portelan::BoxStyle style) override
    {
        std::printf("%s\n%s\n", caption.c_str(), text.c_str());
        if (style.buttons != portelan::BoxButtons::YesNo)
            return portelan::BoxAnswer::Ok;
        std::fputs("[j/n] ", stdout);
        std::fflush(stdout);
        std::string line;
        for (int c; (c = std::getchar()) != EOF && c != '\n';)
            line += static_cast<char>(c);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::putchar('\n');
        line = portelan::ToLowerAscii(line);
        bool yes = line == "j" || line == "ja" || line == "y" || line == "yes";
        return yes ? portelan::BoxAnswer::Yes : portelan::BoxAnswer::No;
    }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    bool CopyTextToClipboard(const std::string&) override { return false; }
};

int RunUpdate()
{
    using namespace portelan;
    CliUpdateUi ui;
    CCurlHttpClient http("portelan-cli");
    UpdateSettings settings;
    settings.baseUrl = UpdateBaseUrl();
    SetProgramLocation(settings);
    settings.appName = "portelan-cli";
    settings.copyToClipboard = false;
    settings.localVersion = [] { return std::optional<VersionNumbers>(ProgramVersion()); };
    bool downloaded = RunUpdateCommand(kUpdateName, http, ui, settings);
    std::fflush(stdout);
    return downloaded ? 0 : 1;
}

// The set's configuration file from the argument of join or verify, with
// their usage errors (exit 2) and refusals (exit 1); nullopt and the status
// when there is none.
std::optional<std::string> ChooseConfig(const char* command, const std::vector<std::string>& args,
                                        portelan::IConcatFrontEnd& console, int& status)
{
    using namespace portelan;
    status = 2;
    if (args.size() > 1) {
        UsageError(StrFormat("%s erwartet höchstens ein VERZEICHNIS oder eine KONFIGURATIONSDATEI", command)
                       .c_str());
        return std::nullopt;
    }
    if (!args.empty() && args[0].empty()) {
        UsageError("VERZEICHNIS oder KONFIGURATIONSDATEI ist leer");
        return std::nullopt;
    }
    status = 1;
    JoinConfig config = ChooseJoinConfig(args.empty() ? "." : args[0]);
    if (config.path.empty()) {
        console.ReportError(config.problem);
        return std::nullopt;
    }
    return config.path;
}

// The joiner's own run, driven from a configuration file instead of the
// joiner's executable: for sets without a Linux joiner that can run.
int RunJoin(const std::vector<std::string>& args)
{
    using namespace portelan;
    CConsoleFrontEnd console(stdin, stdout, stderr, platform::IsTerminal(0), platform::IsTerminal(2));
    int status;
    std::optional<std::string> config = ChooseConfig("join", args, console, status);
    if (!config)
        return status;
    return CConcatApp::ForConfigFile(console, *config).InitInstance() ? 0 : 1;
}

void PrintRepairable(const portelan::CConcatApp& app, bool sound);

// Checks a set without joining it: a line per piece, then what holds for
// the whole. Exit 0 only when every piece is there and intact.
int RunVerify(const std::vector<std::string>& args)
{
    using namespace portelan;
    using State = CConcatApp::PieceState;
    CConsoleFrontEnd console(stdin, stdout, stderr, platform::IsTerminal(0), platform::IsTerminal(2));
    int status;
    std::optional<std::string> config = ChooseConfig("verify", args, console, status);
    if (!config)
        return status;
    CConcatApp app = CConcatApp::ForConfigFile(console, *config);
    std::optional<CConcatApp::SetCheck> check = app.CheckPieces();
    if (!check)
        return 1;
    // A piece the list does not name is vouched for only by the sum of all.
    const bool wholeVouches = check->wholeMatches.value_or(false);
    int intact = 0, damaged = 0, unchecked = 0, missing = 0;
    for (const CConcatApp::PieceCheck& piece : check->pieces) {
        const char* verdict = "OK";
        if (piece.state == State::Missing) {
            verdict = "fehlt";
            ++missing;
        } else if (piece.state == State::Damaged || piece.state == State::Unreadable ||
                   piece.state == State::Empty) {
            verdict = "beschädigt";
            ++damaged;
        } else if (piece.state == State::Unlisted && !wholeVouches) {
            verdict = "ungeprüft";
            ++unchecked;
        } else {
            ++intact;
        }
        std::printf("%s %s\n", SplitPath(piece.path).fileName.c_str(), verdict);
    }
    bool sound = damaged == 0 && unchecked == 0 && missing == 0;
    if (!check->hasList)
        std::printf("Keine Prüfsummenliste (_%s.sfv): die Teilstücke wurden nur zusammen geprüft.\n",
                    app.m_strName.c_str());
    if (missing == 0 && check->totalSize != app.m_nTotalSize) {
        sound = false;
        std::printf(
            "Die Teilstücke sind zusammen %lld Bytes groß, die Konfigurationsdatei nennt %lld Bytes.\n",
            static_cast<long long>(check->totalSize), static_cast<long long>(app.m_nTotalSize));
    }
    if (check->wholeMatches == false) {
        sound = false;
        std::printf("Die Prüfsumme aller Teilstücke zusammen stimmt nicht.\n");
    }
    std::printf("%d Teilstücke, davon OK: %d, beschädigt: %d, ungeprüft: %d, fehlend: %d.\n", app.m_nCount,
                intact, damaged, unchecked, missing);
    PrintRepairable(app, sound);
    std::fflush(stdout);
    return sound ? 0 : 1;
}

// Whether the recovery files could mend the set as it stands: said when
// there are some, and when the set needs them.
void PrintRepairable(const portelan::CConcatApp& app, bool sound)
{
    using Load = portelan::par2::CRecoverySet::LoadStatus;
    const portelan::CConcatApp::Recovery recovery = app.LoadRecovery();
    if (recovery.status == Load::NoPackets || recovery.status == Load::NoSet) {
        if (!sound)
            std::printf("Keine Wiederherstellungsdaten (_%s.par2): der Satz lässt sich nicht reparieren.\n",
                        app.m_strName.c_str());
        return;
    }
    if (recovery.status != Load::Ok) {
        std::printf("Die Wiederherstellungsdaten sind unbrauchbar: der Satz lässt sich nicht reparieren.\n");
        return;
    }
    const std::uint32_t lost = recovery.LostSlices();
    const std::uint32_t have = recovery.set.RecoverySlices();
    if (lost == 0)
        std::printf("Wiederherstellungsdaten: %u Blöcke, keiner wird gebraucht.\n",
                    static_cast<unsigned>(have));
    else if (lost <= have)
        std::printf(
            "Der Satz lässt sich reparieren (portelan-cli repair): %u von %u Blöcken werden gebraucht.\n",
            static_cast<unsigned>(lost), static_cast<unsigned>(have));
    else
        std::printf("Der Satz lässt sich nicht reparieren: es fehlen %u Blöcke.\n",
                    static_cast<unsigned>(lost - have));
}

// Rebuilds the missing and damaged pieces in place from the recovery
// files, a line per piece. Exit 0 when the set is whole afterwards.
int RunRepair(const std::vector<std::string>& args)
{
    using namespace portelan;
    using Kind = par2::CRecoverySet::PieceOutcome::Kind;
    using Status = par2::CRecoverySet::RepairReport::Status;
    using Load = par2::CRecoverySet::LoadStatus;
    CConsoleFrontEnd console(stdin, stdout, stderr, platform::IsTerminal(0), platform::IsTerminal(2));
    int status;
    std::optional<std::string> config = ChooseConfig("repair", args, console, status);
    if (!config)
        return status;
    CConcatApp app = CConcatApp::ForConfigFile(console, *config);
    std::optional<CConcatApp::SetRepair> repair = app.RepairSet();
    if (!repair)
        return 1;
    const CConcatApp::Recovery& recovery = repair->recovery;
    switch (recovery.status) {
    case Load::Ok:
        break;
    case Load::NoPackets:
    case Load::NoSet:
        console.ReportError(
            StrFormat("Neben \"%s\" liegen keine Wiederherstellungsdaten für diesen Satz.", config->c_str()));
        return 1;
    case Load::Inconsistent:
        console.ReportError(StrFormat(
            "Die Wiederherstellungsdaten neben \"%s\" sind unvollständig oder ungültig.", config->c_str()));
        return 1;
    case Load::ReadFailed:
        console.ReportError(
            StrFormat("\"%s\" konnte nicht gelesen werden.", recovery.set.FailedPath().c_str()));
        return 1;
    }
    const par2::CRecoverySet::RepairReport& report = repair->report;
    bool whole = report.status == Status::Ok;
    for (std::size_t i = 0; i < report.pieces.size(); ++i) {
        const par2::CRecoverySet::PieceOutcome& piece = report.pieces[i];
        const std::string name =
            SplitPath(PieceFileName("", app.m_strName, static_cast<int>(i) + 1)).fileName;
        std::string verdict;
        switch (piece.kind) {
        case Kind::Intact:
            verdict = "OK";
            break;
        case Kind::Rebuilt:
            verdict = piece.keptAs.empty() ? "neu erstellt"
                                           : StrFormat("neu erstellt, die beschädigte Datei heisst jetzt %s",
                                                       piece.keptAs.c_str());
            break;
        case Kind::NotRebuilt:
            verdict = piece.before == par2::PieceState::Missing ? "fehlt, nicht neu erstellt"
                                                                : "beschädigt, nicht neu erstellt";
            break;
        case Kind::NotDescribed:
            verdict = "ohne Wiederherstellungsdaten";
            whole = false;
            break;
        }
        std::printf("%s %s\n", name.c_str(), verdict.c_str());
    }
    switch (report.status) {
    case Status::Ok:
        break;
    case Status::NotEnough:
        std::printf("Die Wiederherstellungsdaten reichen nicht aus: es fehlen %u Blöcke.\n",
                    static_cast<unsigned>(report.missingSlices));
        break;
    case Status::Unsolvable:
        std::printf("Mit diesen Wiederherstellungsdaten lassen sich die Teilstücke nicht neu erstellen.\n");
        break;
    case Status::NoMemory:
        console.ReportError("Es konnte kein Speicher reserviert werden.");
        break;
    case Status::ReadFailed:
        console.ReportError(StrFormat("\"%s\" konnte nicht gelesen werden.", report.failedPath.c_str()));
        break;
    case Status::WriteFailed:
    case Status::CheckFailed:
        console.ReportError(
            StrFormat("Das Teilstück \"%s\" konnte nicht neu erstellt werden.", report.failedPath.c_str()));
        break;
    }
    std::fflush(stdout);
    return whole ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace portelan;
    platform::InitProcess();

    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (!args.empty() && (args[0] == "--version" || args[0] == "-V")) {
        std::printf("portelan-cli %s\n", FormatVersion(ProgramVersion()).c_str());
        return 0;
    }
    if (!args.empty() && args[0] == "update") {
        if (args.size() != 1)
            return UsageError("update erwartet keine Argumente");
        return RunUpdate();
    }
    if (!args.empty() && args[0] == "join")
        return RunJoin({args.begin() + 1, args.end()});
    if (!args.empty() && args[0] == "verify")
        return RunVerify({args.begin() + 1, args.end()});
    if (!args.empty() && args[0] == "repair")
        return RunRepair({args.begin() + 1, args.end()});
    if (args.empty() || args[0] != "split")
        return UsageError(args.empty() ? "Befehl fehlt" : "unbekannter Befehl");

    std::vector<std::string> positional;
    std::optional<std::int64_t> pieceSize = kDiskPieceSize;
    int recovery = kDefaultRecoveryPieces;
    // A whole number from 0 to the most pieces a set has.
    auto parseRecovery = [&recovery](const std::string& text) {
        if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string::npos)
            return false;
        recovery = std::stoi(text);
        return recovery <= kMaxPieces;
    };
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--size") {
            if (++i == args.size())
                return UsageError("--size ohne GROESSE");
            pieceSize = ParsePieceSize(args[i]);
            if (!pieceSize)
                return UsageError("ungültige GROESSE");
        } else if (args[i] == "--recovery") {
            if (++i == args.size())
                return UsageError("--recovery ohne N");
            if (!parseRecovery(args[i]))
                return UsageError("ungültiges N");
        } else if (args[i].rfind("--recovery=", 0) == 0) {
            if (!parseRecovery(args[i].substr(11)))
                return UsageError("ungültiges N");
        } else if (args[i].rfind("--size=", 0) == 0) {
            pieceSize = ParsePieceSize(args[i].substr(7));
            if (!pieceSize)
                return UsageError("ungültige GROESSE");
        } else {
            positional.push_back(args[i]);
        }
    }
    if (positional.size() != 2 || positional[0].empty() || positional[1].empty())
        return UsageError("QUELLDATEI und ZIELVERZEICHNIS erwartet");

    CCliFrontEnd ui(stdout, stderr, platform::IsTerminal(2));
    CEmbeddedJoiner joiner;
    CSplitEngine engine(ui, joiner);

    PathParts source = SplitPath(ResolvePath(positional[0]));
    engine.m_strSourceDir = source.directory;
    engine.m_strSourceName = source.fileName;
    engine.m_strTargetDir = ResolvePath(positional[1]);
    EnsureTrailingBackslash(engine.m_strTargetDir);
    engine.m_nPieceSize = *pieceSize;
    engine.m_nRecoveryPieces = recovery;

    engine.StartCommand({.haveSource = true, .haveTarget = true, .havePieceSize = true});
    if (!engine.IsRunning())
        return 1;
    ui.RunUntil([&] { return !engine.IsRunning(); });
    ui.StopServing();
    return engine.LastSplitComplete() ? 0 : 1;
}
