// Qt's own German texts for its standard dialogs and buttons.
#pragma once

class QString;
class QTranslator;

namespace portelan::qt {

// Installs Qt's German translation (qtbase_de) from `directory` into the
// running application, so that file choosers and standard buttons match our
// German windows. Returns the translator (owned by the application), or
// nullptr when the translation is not there: the texts then stay English.
QTranslator* InstallQtGermanTexts(const QString& directory);

} // namespace portelan::qt
