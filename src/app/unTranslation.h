#pragma once

#include "platform/unProgramFolders.h"

#include <QString>

// The language the window's texts are shown in: "en" for English, "ru" for Russian, empty for
// the source texts (MessageLanguage's rule).
QString UiLanguage(const TGetEnv& env);
// The same for the running program's environment.
QString UiLanguage();

// Loads "zu-programming_<language>.qm" from the folder into the application; false when the
// language is empty or has no translation there.
bool InstallTranslation(const QString& language, const QString& folder);
