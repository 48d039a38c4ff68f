// PortelanConcat.exe: the joiner that lies beside the pieces of a split set.
#include <windows.h>

#include "joiner/ConcatApp.h"
#include "joiner/win32/WinFrontEnd.h"
#include "platform/Platform.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    using namespace portelan;
    platform::InitProcess();
    CWinFrontEnd ui;
    std::string self = platform::ModulePath();
    if (self.empty()) {
        ui.ReportError("Der Pfad des Programms konnte nicht bestimmt werden.");
        return 1;
    }
    CConcatApp app(ui, self);
    return app.InitInstance() ? 0 : 1;
}
