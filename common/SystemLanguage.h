// Sets the catalogue's language from the system's user-interface language;
// each program calls it once at start, before any thread runs.
#pragma once

namespace portelan {

void ChooseLanguageFromSystem();

} // namespace portelan
