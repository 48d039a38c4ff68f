// Qt's own texts for its standard dialogs and buttons, in the language of
// our windows.
#pragma once

#include "texts/Language.h"

class QString;
class QTranslator;

namespace portelan::qt {

// Installs Qt's translation for `language` from `directory` into the running
// application, so that file choosers and standard buttons match our windows:
// qtbase_de for German; English needs none, Qt's own texts being English.
// Returns the translator (owned by the application), or nullptr when none
// was needed or the translation is not there: the texts then stay English.
QTranslator* InstallQtTexts(Language language, const QString& directory);

} // namespace portelan::qt
