// The work of portelan-cli's commands, once the command line is parsed.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "common/FailureReason.h"
#include "common/PathText.h"
#include "common/SplitSet.h"
#include "common/StrFormat.h"
#include "common/TextEncoding.h"
#include "joiner/ConcatApp.h"
#include "joiner/SetVerdict.h"
#include "joiner/console/ConsoleFrontEnd.h"
#include "platform/Platform.h"
#include "splitter/engine/SplitEngine.h"
#include "splitter/engine/posix/EmbeddedJoiner.h"
#include "splitter/ui/cli/CliFrontEnd.h"
#include "splitter/ui/cli/Commands.h"
#include "splitter/ui/cli/JoinArgument.h"
#include "splitter/ui/cli/SizeArgument.h"
#include "splitter/update/UpdateCheck.h"
#include "splitter/update/UpdateEntry.h"
#include "splitter/update/posix/CurlHttpClient.h"
#include "texts/SplitterTexts.h"

namespace portelan {

namespace {

void PrintLine(const std::string& line) { std::printf("%s\n", line.c_str()); }

// The update check's boxes on the terminal: caption line, then the text;
// questions are answered with a line on standard input, in either language.
class CliUpdateUi : public IUpdateUi {
  public:
    BoxAnswer ShowMessageBox(const std::string& text, const std::string& caption, BoxStyle style) override
    {
        std::printf("%s\n%s\n", caption.c_str(), text.c_str());
        if (style.buttons != BoxButtons::YesNo)
            return BoxAnswer::Ok;
        std::fputs(Tr(Text::UpdateAnswerPrompt), stdout);
        std::fflush(stdout);
        std::string line;
        for (int c; (c = std::getchar()) != EOF && c != '\n';)
            line += static_cast<char>(c);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::putchar('\n');
        line = ToLowerAscii(line);
        bool yes = line == "j" || line == "ja" || line == "y" || line == "yes";
        return yes ? BoxAnswer::Yes : BoxAnswer::No;
    }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    bool CopyTextToClipboard(const std::string&) override { return false; }
};

// The console of join and verify, with portelan-cli's conventions.
CConsoleFrontEnd MakeConsole(const Invocation& invocation)
{
    CConsoleFrontEnd console(stdin, stdout, stderr, platform::IsTerminal(0), platform::IsTerminal(2));
    console.UseCommandLineConventions(invocation.quiet);
    return console;
}

// The set's configuration file from the operand of join or verify, with
// their usage errors (exit 2) and refusals (exit 1); nullopt and the status
// when there is none.
std::optional<std::string> ChooseConfig(const char* command, const Invocation& invocation,
                                        IConcatFrontEnd& console, int& status)
{
    const std::vector<std::string>& args = invocation.operands;
    status = 2;
    if (args.size() > 1) {
        UsageError(StrFormat(Tr(Text::CliTooManyOperands), command));
        return std::nullopt;
    }
    if (!args.empty() && args[0].empty()) {
        UsageError(Tr(Text::CliEmptyOperand));
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

// A JSON string; bytes that are not UTF-8 (a piece under its Windows-1252
// spelling) are taken as Windows-1252, so that the output always parses.
std::string JsonString(const std::string& text)
{
    std::string utf8 = text;
    if (!IsValidUtf8(utf8))
        utf8 = Windows1252ToUtf8(text).value_or("");
    std::string out = "\"";
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\')
            out += std::string("\\") + c;
        else if (byte < 0x20)
            out += StrFormat("\\u%04x", byte);
        else
            out += c;
    }
    return out + "\"";
}

const char* JsonState(PieceVerdict verdict)
{
    switch (verdict) {
    case PieceVerdict::Damaged:
        return "damaged";
    case PieceVerdict::Unchecked:
        return "unchecked";
    case PieceVerdict::Missing:
        return "missing";
    case PieceVerdict::Intact:
        break;
    }
    return "ok";
}

void PrintVerifyJson(const CConcatApp& app, const std::string& config, const CConcatApp::SetCheck& check,
                     const SetVerdict& verdict, bool repairable)
{
    std::string json = "{\n";
    json += "  \"set\": " + JsonString(app.m_strName + "." + app.m_strExt) + ",\n";
    json += "  \"config\": " + JsonString(config) + ",\n";
    json += StrFormat("  \"size\": %lld,\n", static_cast<long long>(app.m_nTotalSize));
    json += std::string("  \"checksumList\": ") + (check.hasList ? "true" : "false") + ",\n";
    json += "  \"pieces\": [";
    for (std::size_t i = 0; i < check.pieces.size(); ++i) {
        const CConcatApp::PieceCheck& piece = check.pieces[i];
        json += std::string(i ? ",\n" : "\n") +
                "    {\"name\": " + JsonString(SplitPath(piece.path).fileName) + ", \"state\": \"" +
                JsonState(verdict.pieces[i]) + "\", \"size\": ";
        json += verdict.pieces[i] == PieceVerdict::Missing
                    ? std::string("null")
                    : StrFormat("%lld", static_cast<long long>(piece.size));
        json += "}";
    }
    json += "\n  ],\n";
    json += std::string("  \"sizeMatches\": ") + (verdict.sizeDiffers ? "false" : "true") + ",\n";
    json += std::string("  \"checksumMatches\": ") +
            (check.wholeMatches ? (*check.wholeMatches ? "true" : "false") : "null") + ",\n";
    json += std::string("  \"sound\": ") + (verdict.sound ? "true" : "false") + ",\n";
    json += std::string("  \"repairable\": ") + (repairable ? "true" : "false") + "\n}\n";
    std::fputs(json.c_str(), stdout);
}

void PrintVerifyText(const CConcatApp& app, const CConcatApp::SetCheck& check, const SetVerdict& verdict)
{
    for (std::size_t i = 0; i < check.pieces.size(); ++i)
        std::printf("%s %s\n", SplitPath(check.pieces[i].path).fileName.c_str(),
                    PieceVerdictText(verdict.pieces[i]));
    if (!check.hasList)
        PrintLine(StrFormat(Tr(Text::CliNoChecksumList), app.m_strName.c_str()));
    if (verdict.sizeDiffers)
        PrintLine(StrFormat(Tr(Text::CliSizeDiffers), static_cast<long long>(check.totalSize),
                            static_cast<long long>(app.m_nTotalSize)));
    if (verdict.wholeDiffers)
        PrintLine(Tr(Text::CliWholeDiffers));
    PrintLine(StrFormat(Tr(Text::CliVerifyCounts), app.m_nCount, verdict.intact, verdict.damaged,
                        verdict.unchecked, verdict.missing));
}

// Whether the recovery files could mend the set as it stands: said when
// there are some, and when the set needs them.
void PrintRepairable(const CConcatApp& app, bool sound)
{
    using Load = par2::CRecoverySet::LoadStatus;
    const CConcatApp::Recovery recovery = app.LoadRecovery();
    if (recovery.status == Load::NoPackets || recovery.status == Load::NoSet) {
        if (!sound)
            PrintLine(StrFormat(Tr(Text::CliNoRecoveryData), app.m_strName.c_str()));
        return;
    }
    if (recovery.status != Load::Ok) {
        PrintLine(Tr(Text::CliRecoveryUnusable));
        return;
    }
    const std::uint32_t lost = recovery.LostSlices();
    const std::uint32_t have = recovery.set.RecoverySlices();
    if (lost == 0)
        PrintLine(StrFormat(Tr(Text::CliRecoveryNotNeeded), static_cast<unsigned>(have)));
    else if (lost <= have)
        PrintLine(
            StrFormat(Tr(Text::CliRepairable), static_cast<unsigned>(lost), static_cast<unsigned>(have)));
    else
        PrintLine(StrFormat(Tr(Text::CliNotRepairable), static_cast<unsigned>(lost - have)));
}

// The set is whole, or the recovery files beside it can make it whole.
bool Repairable(const CConcatApp& app, bool sound)
{
    if (sound)
        return true;
    const CConcatApp::Recovery recovery = app.LoadRecovery();
    return recovery.status == par2::CRecoverySet::LoadStatus::Ok &&
           recovery.LostSlices() <= recovery.set.RecoverySlices();
}

} // namespace

int RunUpdate(const Invocation& invocation)
{
    if (!invocation.operands.empty())
        return UsageError(Tr(Text::UpdateNoArguments));
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

// The joiner's own run, driven from a configuration file instead of the
// joiner's executable: for sets without a Linux joiner that can run.
int RunJoin(const Invocation& invocation)
{
    CConsoleFrontEnd console = MakeConsole(invocation);
    int status;
    std::optional<std::string> config = ChooseConfig("join", invocation, console, status);
    if (!config)
        return status;
    return CConcatApp::ForConfigFile(console, *config).InitInstance() ? 0 : 1;
}

// Checks a set without joining it: a line per piece, then what holds for
// the whole (or all of it as one JSON object). Exit 0 only when every piece
// is there and intact.
int RunVerify(const Invocation& invocation)
{
    CConsoleFrontEnd console = MakeConsole(invocation);
    int status;
    std::optional<std::string> config = ChooseConfig("verify", invocation, console, status);
    if (!config)
        return status;
    CConcatApp app = CConcatApp::ForConfigFile(console, *config);
    std::optional<CConcatApp::SetCheck> check = app.CheckPieces();
    if (!check)
        return 1;
    console.ShowSummary(Tr(Text::CliVerifyVerb));
    const SetVerdict verdict = JudgeSet(*check, app.m_nTotalSize);
    if (invocation.json)
        PrintVerifyJson(app, *config, *check, verdict, Repairable(app, verdict.sound));
    else if (!invocation.quiet) {
        PrintVerifyText(app, *check, verdict);
        PrintRepairable(app, verdict.sound);
    }
    std::fflush(stdout);
    return verdict.sound ? 0 : 1;
}

// Rebuilds the missing and damaged pieces in place from the recovery
// files, a line per piece. Exit 0 when the set is whole afterwards.
int RunRepair(const Invocation& invocation)
{
    using Kind = par2::CRecoverySet::PieceOutcome::Kind;
    using Status = par2::CRecoverySet::RepairReport::Status;
    using Load = par2::CRecoverySet::LoadStatus;
    CConsoleFrontEnd console = MakeConsole(invocation);
    int status;
    std::optional<std::string> config = ChooseConfig("repair", invocation, console, status);
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
        console.ReportError(StrFormat(Tr(Text::CliNoRecoveryBeside), config->c_str()));
        return 1;
    case Load::Inconsistent:
        console.ReportError(StrFormat(Tr(JoinerText::RecoveryInconsistent), config->c_str()));
        return 1;
    case Load::ReadFailed:
        console.ReportError(
            WithReason(StrFormat(Tr(JoinerText::CannotRead), recovery.set.FailedPath().c_str()),
                       recovery.set.LoadError()));
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
            verdict = Tr(Text::Ok);
            break;
        case Kind::Rebuilt:
            verdict = piece.keptAs.empty() ? std::string(Tr(Text::CliRebuilt))
                                           : StrFormat(Tr(Text::CliRebuiltKept), piece.keptAs.c_str());
            break;
        case Kind::NotRebuilt:
            verdict = Tr(piece.before == par2::PieceState::Missing ? Text::CliMissingNotRebuilt
                                                                   : Text::CliDamagedNotRebuilt);
            break;
        case Kind::NotDescribed:
            verdict = Tr(Text::CliNotDescribed);
            whole = false;
            break;
        }
        if (!invocation.quiet)
            std::printf("%s %s\n", name.c_str(), verdict.c_str());
    }
    switch (report.status) {
    case Status::Ok:
        break;
    case Status::NotEnough:
        console.ReportError(StrFormat(Tr(JoinerText::RecoveryNotEnough),
                                      StrFormat("%u", static_cast<unsigned>(report.missingSlices)).c_str()));
        break;
    case Status::Unsolvable:
        console.ReportError(Tr(JoinerText::RecoveryUnsolvable));
        break;
    case Status::NoMemory:
        console.ReportError(Tr(JoinerText::NoMemory));
        break;
    case Status::ReadFailed:
        console.ReportError(
            WithReason(StrFormat(Tr(JoinerText::CannotRead), report.failedPath.c_str()), report.error));
        break;
    case Status::WriteFailed:
    case Status::CheckFailed:
        console.ReportError(
            WithReason(StrFormat(Tr(JoinerText::RebuildFailed), report.failedPath.c_str()), report.error));
        break;
    }
    std::fflush(stdout);
    return whole ? 0 : 1;
}

int RunSplit(const Invocation& invocation)
{
    const std::vector<std::string>& operands = invocation.operands;
    SplitPlan inputs;
    if (invocation.count) {
        const std::optional<std::int64_t> count = ParsePieceCount(*invocation.count);
        if (!count)
            return UsageError(StrFormat(Tr(Text::CliBadCount), invocation.count->c_str()));
        inputs.choice = {*count, PieceUnit::Count};
    } else if (invocation.size) {
        const std::optional<PieceSizeValue> pieceSize = ParsePieceSize(*invocation.size);
        if (!pieceSize)
            return UsageError(StrFormat(Tr(Text::CliBadSize), invocation.size->c_str()));
        inputs.choice = *pieceSize;
    }
    if (invocation.recovery) {
        // A whole number from 0 to the most pieces a set has.
        const std::string& text = *invocation.recovery;
        if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string::npos ||
            (inputs.recoveryPieces = std::stoi(text)) > kMaxPieces)
            return UsageError(StrFormat(Tr(Text::CliBadRecovery), text.c_str()));
    }
    if (operands.size() != 2 || operands[0].empty() || operands[1].empty())
        return UsageError(Tr(Text::CliSplitOperands));

    CCliFrontEnd ui(stdout, stderr, platform::IsTerminal(2), invocation.quiet);
    CEmbeddedJoiner joiner;
    CSplitEngine engine(ui, joiner);

    PathParts source = SplitPath(ResolvePath(operands[0]));
    inputs.sourceDir = source.directory;
    inputs.sourceName = source.fileName;
    inputs.targetDir = ResolvePath(operands[1]);
    EnsureTrailingBackslash(inputs.targetDir);

    engine.StartCommand(inputs, {.haveSource = true, .haveTarget = true, .havePieceSize = true});
    if (!engine.IsRunning()) {
        ui.ReportRefusal();
        return 1;
    }
    ui.RunUntil([&] { return !engine.IsRunning(); });
    ui.StopServing();
    if (!engine.LastSplitComplete())
        return 1;
    ui.ShowSummary();
    return 0;
}

int RunHelp(const Invocation& invocation)
{
    if (invocation.operands.empty()) {
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }
    const Command* command = invocation.operands.size() == 1 ? FindCommand(invocation.operands[0]) : nullptr;
    if (!command)
        return UsageError(invocation.operands.size() == 1
                              ? StrFormat(Tr(Text::CliUnknownCommand), invocation.operands[0].c_str())
                              : std::string(Tr(Text::CliHelpOperands)));
    std::fputs(CommandHelp(*command).c_str(), stdout);
    return 0;
}

} // namespace portelan
