// portelan: the splitter's desktop program. It runs its main window and ends
// when the window closes.
#include <cstdio>

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>

#include "common/StrFormat.h"
#include "common/SystemLanguage.h"
#include "platform/Platform.h"
#include "splitter/engine/posix/EmbeddedJoiner.h"
#include "splitter/ui/qt/Choosers.h"
#include "splitter/ui/qt/QtTranslation.h"
#include "splitter/ui/qt/SplitterDlg.h"
#include "texts/SplitterTexts.h"

namespace {

constexpr const char* kProgramName = "portelan";

} // namespace

int main(int argc, char** argv)
{
    portelan::ChooseLanguageFromSystem();
    // Without a display Qt would abort with a message of its own; say what
    // to use instead.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fputs(portelan::StrFormat(portelan::Tr(portelan::Text::NoDisplay), kProgramName).c_str(),
                   stderr);
        return 1;
    }
    portelan::platform::InitProcess();
    QApplication application(argc, argv);
    // Qt's standard dialogs speak the language of our windows.
    portelan::qt::InstallQtTexts(portelan::CurrentLanguage(),
                                 QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/pictures/portelan.ico")));
    portelan::CEmbeddedJoiner joiner;
    portelan::qt::CSplitterDlg dialog(portelan::qt::ProgramChoosers(), joiner);
    dialog.exec();
    return 0;
}
