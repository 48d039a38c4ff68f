// PortelanConcat.exe: the joiner that lies beside the pieces of a split set.
#include <windows.h>

#include "common/SystemLanguage.h"
#include "joiner/ConcatApp.h"
#include "joiner/win32/WinFrontEnd.h"
#include "platform/Platform.h"
#include "platform/win32/Window.h"
#include "texts/JoinerTexts.h"

namespace portelan {

class CConcatApplikation : public win::CApplikation {
  public:
    // Joins once; no message loop follows.
    BOOL InitInstance() override
    {
        platform::InitProcess();
        CWinFrontEnd ui;
        std::string self = platform::ModulePath();
        if (self.empty()) {
            ui.ReportError(Tr(JoinerText::NoOwnPath));
            return FALSE;
        }
        CConcatApp app(ui, self, CConcatApp::Anchor::WindowsJoiner);
        m_bJoined = app.InitInstance();
        return FALSE;
    }
    int ExitInstance() override { return m_bJoined ? 0 : 1; }

  private:
    bool m_bJoined = false;
};

} // namespace portelan

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    portelan::ChooseLanguageFromSystem();
    portelan::CConcatApplikation app;
    return app.Run();
}
