#pragma once

#include "platform/unProgramFolders.h"

#include <QString>

// The language the window's texts are shown in: "en" for English, empty for the source texts.
// As for any program's messages, the C locale (or none) keeps the source texts whatever LANGUAGE
// says; otherwise the first entry of LANGUAGE that is Russian or English decides, then the
// message locale's own language (LC_ALL, LC_MESSAGES, LANG, the first that is set).
QString UiLanguage(const TGetEnv& env);
// The same for the running program's environment.
QString UiLanguage();

// Loads "zu-programming_<language>.qm" from the folder into the application; false when the
// language is empty or has no translation there.
bool InstallTranslation(const QString& language, const QString& folder);
