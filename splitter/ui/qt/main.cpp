// portelan: the splitter's desktop program. It runs its main window and ends
// when the window closes.
#include <cstdio>

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>

#include "platform/Platform.h"
#include "splitter/engine/posix/EmbeddedJoiner.h"
#include "splitter/ui/qt/Choosers.h"
#include "splitter/ui/qt/QtTranslation.h"
#include "splitter/ui/qt/SplitterDlg.h"

namespace {

constexpr const char* kProgramName = "portelan";

} // namespace

int main(int argc, char** argv)
{
    // Without a display Qt would abort with a message of its own; say what
    // to use instead.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fprintf(stderr, "%s: Kein Bildschirm gefunden. Ohne Desktop teilt portelan-cli Dateien auf.\n",
                     kProgramName);
        return 1;
    }
    portelan::platform::InitProcess();
    QApplication application(argc, argv);
    // Our windows are German whatever the locale, so Qt's standard dialogs are too.
    portelan::qt::InstallQtGermanTexts(QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/pictures/portelan.ico")));
    portelan::CEmbeddedJoiner joiner;
    portelan::qt::CSplitterDlg dialog(portelan::qt::ProgramChoosers(), joiner);
    dialog.exec();
    return 0;
}
