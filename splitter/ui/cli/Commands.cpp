#include "splitter/ui/cli/Commands.h"

#include <CLI/CLI.hpp>
#include <cstdio>

#include "common/StrFormat.h"
#include "splitter/ui/PieceSize.h"

namespace portelan {

namespace {

void QuietOption(CLI::App& command, Invocation& invocation)
{
    command.add_flag("-q,--quiet", invocation.quiet);
}

void DeclareSplit(CLI::App& command, Invocation& invocation)
{
    CLI::Option* size = command.add_option("--size", invocation.size);
    command.add_option("--count", invocation.count)->excludes(size);
    command.add_option("--recovery", invocation.recovery);
    QuietOption(command, invocation);
}

void DeclareVerify(CLI::App& command, Invocation& invocation)
{
    command.add_flag("--json", invocation.json);
    QuietOption(command, invocation);
}

void DeclareNothing(CLI::App&, Invocation&) {}

// The presets' names and sizes, the first being the default, in lines below 90 columns.
std::string PresetLines()
{
    std::string text;
    std::string line = "  GROESSE:";
    for (const PiecePreset& preset : kPiecePresets) {
        std::string item = StrFormat(" %s (%lld Bytes%s),", preset.name, static_cast<long long>(preset.bytes),
                                     &preset == kPiecePresets ? ", Vorgabe" : "");
        if (line.size() + item.size() > 90) {
            text += line + "\n";
            line = "          ";
        }
        line += item;
    }
    return text + line + "\n";
}

const Command kCommands[] = {
    {"split", "QUELLDATEI ZIELVERZEICHNIS [--size GROESSE | --count ANZAHL] [--recovery N] [--quiet]",
     "  teilt die QUELLDATEI in Teilstücke auf und schreibt den Satz in das ZIELVERZEICHNIS;\n",
     [] {
         return PresetLines() +
                "  oder eine Zahl mit K (x1024) oder M (x1048576);\n"
                "  ANZAHL: so viele Teilstücke (2 bis 999), so klein wie möglich, statt einer GROESSE;\n"
                "  N: Wiederherstellungsdaten (PAR2) für N verlorene Teilstücke (Vorgabe 1, 0: keine).\n";
     },
     DeclareSplit, RunSplit},
    {"join", "[VERZEICHNIS | KONFIGURATIONSDATEI] [--quiet]",
     "  setzt die Datei aus den Teilstücken wieder zusammen, neben der Konfigurationsdatei\n"
     "  (_NAME.cfg, die einzige im VERZEICHNIS, Vorgabe: im aktuellen Verzeichnis).\n",
     nullptr, QuietOption, RunJoin},
    {"verify", "[VERZEICHNIS | KONFIGURATIONSDATEI] [--json] [--quiet]",
     "  prüft die Teilstücke gegen die Prüfsummenliste (_NAME.sfv), ohne sie zusammenzusetzen;\n"
     "  Ende mit 0 nur, wenn alle vorhanden und unbeschädigt sind; --json gibt das Ergebnis\n"
     "  als ein JSON-Objekt aus.\n",
     nullptr, DeclareVerify, RunVerify},
    {"repair", "[VERZEICHNIS | KONFIGURATIONSDATEI] [--quiet]",
     "  erstellt fehlende oder beschädigte Teilstücke aus den Wiederherstellungsdaten\n"
     "  (_NAME.par2, _NAME.vol*.par2) neu, ohne sie zusammenzusetzen; beschädigte werden\n"
     "  als NAME.NNN.defekt behalten. Ende mit 0, wenn der Satz danach vollständig ist, sonst mit 1.\n",
     nullptr, QuietOption, RunRepair},
    {"update", "",
     "  sucht eine neuere Version und lädt sie in das Verzeichnis des Programms;\n"
     "  Ende mit 0, wenn eine neue Version herunter geladen wurde, sonst mit 1.\n",
     nullptr, DeclareNothing, RunUpdate},
    {"help", "[BEFEHL]", "  gibt diese Hilfe oder die eines Befehls aus.\n", nullptr, DeclareNothing,
     RunHelp},
};

constexpr const char* kShared =
    "       portelan-cli --help | -h\n"
    "       portelan-cli --version | -V\n"
    "  gibt diese Hilfe oder den Namen und die Version des Programms aus.\n"
    "  --quiet, -q: nur Fehler ausgeben. \"--\" beendet die Optionen, für Namen,\n"
    "  die mit \"-\" beginnen.\n"
    "Ende mit 0: erledigt, 1: abgelehnt oder gescheitert, 2: Fehler im Aufruf.\n";

std::string SynopsisLine(const Command& command)
{
    std::string line = std::string("portelan-cli ") + command.name;
    if (*command.synopsis)
        line += std::string(" ") + command.synopsis;
    return line + "\n";
}

std::string Description(const Command& command)
{
    return command.description + (command.details ? command.details() : std::string());
}

} // namespace

std::span<const Command> Commands() { return kCommands; }

const Command* FindCommand(const std::string& name)
{
    for (const Command& command : kCommands)
        if (name == command.name)
            return &command;
    return nullptr;
}

std::string UsageText()
{
    std::string text;
    for (const Command& command : kCommands)
        text += (text.empty() ? "Aufruf: " : "       ") + SynopsisLine(command) + Description(command);
    return text + kShared;
}

std::string CommandHelp(const Command& command)
{
    return "Aufruf: " + SynopsisLine(command) + Description(command) +
           "Ende mit 0: erledigt, 1: abgelehnt oder gescheitert, 2: Fehler im Aufruf.\n";
}

int UsageError(const std::string& problem)
{
    std::fprintf(stderr, "portelan-cli: %s\n", problem.c_str());
    std::fputs(UsageText().c_str(), stderr);
    return 2;
}

} // namespace portelan
