#include "app/unTranslation.h"

#include "platform/unLanguage.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTranslator>

QString UiLanguage(const TGetEnv& env) {
  switch (MessageLanguage(env)) {
  case TLanguage::English:
    return "en";
  case TLanguage::Russian:
    return "ru";
  default:
    return {};
  }
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
