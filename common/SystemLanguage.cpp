#include "common/SystemLanguage.h"

#include "platform/Platform.h"
#include "texts/Language.h"

namespace portelan {

void ChooseLanguageFromSystem() { SetLanguage(LanguageForTag(platform::UserInterfaceLanguage())); }

} // namespace portelan
