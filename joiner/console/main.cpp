// portelanconcat: the joiner that lies beside the pieces of a split set.
#include <cstdio>

#include "joiner/ConcatApp.h"
#include "joiner/console/ConsoleFrontEnd.h"
#include "platform/Platform.h"

int main()
{
    using namespace portelan;
    platform::InitProcess();
    CConsoleFrontEnd console(stdin, stdout, stderr, platform::IsTerminal(0), platform::IsTerminal(2));
    std::string self = platform::ModulePath();
    if (self.empty()) {
        console.ReportError("Der Pfad des Programms konnte nicht bestimmt werden.");
        return 1;
    }
    CConcatApp app(console, self);
    return app.InitInstance() ? 0 : 1;
}
