#pragma once

#include "platform/unLogFormat.h"
#include "platform/unProgramFolders.h"

#include <string>
#include <string_view>

// The language texts are shown in. Source: the texts as written (Russian messages, English
// menus), for the C locale and for languages without a translation.
enum class TLanguage { Source, English, Russian };

// As for any program's messages: the C locale (or none) keeps the source texts whatever LANGUAGE
// says; otherwise the first entry of LANGUAGE that is Russian or English decides, then the
// message locale's own language (LC_ALL, LC_MESSAGES, LANG, the first that is set).
TLanguage MessageLanguage(const TGetEnv& env);

// The language of the texts the program's core gives users (reasons of refusals and failures):
// the process's own, taken at the first use, unless set.
TLanguage TextLanguage();
void SetTextLanguage(TLanguage language);

// A text for the user: the format in the text language (the source text when it has no
// translation), its placeholders filled as FormatLog fills them. Log texts use the format as it
// stands instead.
std::string Say(std::string_view format, const TLogArgs& args = {});
// The same for wide text.
std::u16string SayWide(std::string_view format, const TLogArgs& args = {});

// The English form of a source format written in Russian, and the Russian form of one written in
// English (the command-line tool's); null when it has none.
const char* EnglishFormat(std::string_view format);
const char* RussianFormat(std::string_view format);
