#include "app/unTranslation.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTranslator>

namespace {

// "en_GB.UTF-8@euro" → "en".
QString LanguageOf(const QString& locale) {
  QString language = locale;
  for (const QChar end : {QChar('_'), QChar('.'), QChar('@')})
    language = language.section(end, 0, 0);
  return language.toLower();
}

} // namespace

QString UiLanguage(const TGetEnv& env) {
  QString locale;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
    if (const char* value = env(name); value && *value) {
      locale = QString::fromLocal8Bit(value);
      break;
    }
  const QString own = LanguageOf(locale);
  if (own.isEmpty() || own == "c" || own == "posix")
    return {};
  if (const char* list = env("LANGUAGE")) {
    for (const QString& entry : QString::fromLocal8Bit(list).split(':', Qt::SkipEmptyParts)) {
      const QString language = LanguageOf(entry);
      if (language == "ru" || language == "en")
        return language == "en" ? "en" : QString();
    }
  }
  return own == "en" ? "en" : QString();
}

QString UiLanguage() {
  return UiLanguage(ProcessEnv);
}

bool InstallTranslation(const QString& language, const QString& folder) {
  if (language.isEmpty())
    return false;
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (!translator->load("zu-programming_" + language, folder)) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}
