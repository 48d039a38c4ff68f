#include "splitter/ui/qt/QtTranslation.h"

#include <QCoreApplication>
#include <QString>
#include <QTranslator>

namespace portelan::qt {

QTranslator* InstallQtTexts(Language language, const QString& directory)
{
    if (language != Language::German)
        return nullptr;
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_de"), directory) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}

} // namespace portelan::qt
