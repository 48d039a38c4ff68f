// portelanconcat: the joiner that lies beside the pieces of a split set.
#include <cstdio>

#include "common/SystemLanguage.h"
#include "joiner/ConcatApp.h"
#include "joiner/console/ConsoleFrontEnd.h"
#include "joiner/console/DesktopTerminal.h"
#include "platform/Platform.h"
#include "texts/JoinerTexts.h"

int main(int argc, char* argv[])
{
    using namespace portelan;
    ChooseLanguageFromSystem();
    std::string self = platform::ModulePath();
    // Before InitProcess: an ignored signal would stay ignored in the terminal.
    ReopenInTerminal(self, argc, argv);

    platform::InitProcess();
    const bool inputIsTerminal = platform::IsTerminal(0);
    CConsoleFrontEnd console(stdin, stdout, stderr, inputIsTerminal, platform::IsTerminal(2));
    int status;
    if (self.empty()) {
        console.ReportError(Tr(JoinerText::NoOwnPath));
        status = 1;
    } else {
        CConcatApp app(console, self);
        status = app.InitInstance() ? 0 : 1;
    }
    // The window of a re-run closes with the joiner; keep the result readable.
    if (RunsInOwnTerminal())
        WaitForEnter(stdin, stdout, inputIsTerminal);
    return status;
}
