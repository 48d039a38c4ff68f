// Portelan.exe: the application object and the program's entry.
#include <windows.h>

#include "common/SystemLanguage.h"
#include "platform/Platform.h"
#include "platform/win32/Window.h"
#include "splitter/ui/win32/SplitterDlg.h"

namespace portelan {

class CSplitterApp : public win::CApplikation {
  public:
    // Runs the main window; the program ends when it closes.
    BOOL InitInstance() override
    {
        platform::InitProcess();
        CSplitterDlg dialog(ProgramChoosers());
        dialog.DoModal();
        return FALSE;
    }
};

} // namespace portelan

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    portelan::ChooseLanguageFromSystem();
    portelan::CSplitterApp app;
    return app.Run();
}
