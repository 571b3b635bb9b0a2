#include "shell/unModuleText.h"

#include "canvas/unQtStrings.h"
#include "model/unIModule.h"
#include "platform/unIntText.h"

#include <QCoreApplication>

TModuleText TModuleText::Of(const IModule& module) {
  return {ToQString(module.GetName()),
          ToQString(module.GetDescription()),
          ToQString(module.GetType()),
          QString::number(module.GetPosition().X),
          QString::number(module.GetPosition().Y),
          QString::number(module.GetHeight()),
          QString::number(module.GetWidth()),
          {}};
}

bool IsNumberField(const QString& field) {
  return field == "PositionX" || field == "PositionY" || field == "Height" || field == "Width";
}

TEditResult ReadModuleNumber(const QString& field, const QString& text, std::int32_t& value) {
  const TIntTextResult number = ParseIntText(ToU16(text), 32);
  // Sizes are at least 1: a box of no or negative size would be drawn mirrored.
  const bool size = field == "Height" || field == "Width";
  const char* why =
      !number.Ok ? QT_TRANSLATE_NOOP("TModuleText", "Поле %1: «%2» не является целым числом")
      : size && number.Value < 1
          ? QT_TRANSLATE_NOOP("TModuleText",
                              "Поле %1: «%2» меньше 1: размер — целое число не меньше 1")
          : nullptr;
  if (why)
    return TEditResult::Refused(QCoreApplication::translate("TModuleText", why).arg(field, text),
                                field);
  value = static_cast<std::int32_t>(number.Value);
  return TEditResult::Done();
}
