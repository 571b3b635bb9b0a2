#include "config/unKvenForm.h"

#include "config/unWindowState.h"
#include "platform/unStrings.h"
#include "xml/unXml.h"

TKvenForm::TKvenForm(QWidget* parent) : QMainWindow(parent) {}

TKvenForm::~TKvenForm() = default;

bool TKvenForm::Log(TLogGroupMessage group, TLogTypeMessage type, const std::string& format,
                    const TLogArgs& args) {
  bool result = false;
  if (LogDocuments) {
    try {
      result = LogDocuments->AddToLog(group, type, format, args);
    } catch (...) {
      result = false;
    }
  }
  if (OnLog) {
    try {
      result = OnLog(group, type, format, args);
    } catch (...) {
    }
  }
  return result;
}

std::int32_t TKvenForm::LogW(TLogGroupMessage group, TLogTypeMessage type,
                             const std::u16string& format, const TLogArgs& args) {
  if (!LogDocuments) {
    Log(group, type, Utf16ToUtf8(format), args);
    return 1;
  }
  try {
    return LogDocuments->AddToLogW(group, type, format, args);
  } catch (...) {
    return -1;
  }
}

TAddToLog TKvenForm::LogHandler() {
  return [this](TLogGroupMessage g, TLogTypeMessage t, const std::string& f, const TLogArgs& a) {
    return Log(g, t, f, a);
  };
}

bool TKvenForm::LoadState() {
  if (!ConfigNode)
    return false;
  LoadWindowState(*this, *ConfigNode);
  return true;
}

bool TKvenForm::SaveState() {
  if (!ConfigNode)
    return false;
  SaveWindowState(*this, *ConfigNode);
  return true;
}
