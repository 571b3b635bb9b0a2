#include "config/unKvenFormMain.h"

#include "platform/unExeFolder.h"
#include "platform/unStrings.h"
#include "xml/unXml.h"

TKvenFormMain::TKvenFormMain(QWidget* parent) : TKvenForm(parent) {
  LogName = ExeBaseName();
}

TKvenFormMain::~TKvenFormMain() = default;

std::u16string TKvenFormMain::ConfigFile() const {
  std::u16string name = ConfigFileName;
  if (name.empty())
    name = Utf8ToUtf16(ExeBaseName()) + u".config";
  if (name.find(u'/') == std::u16string::npos)
    name = (ConfigFilePath.empty() ? Utf8ToUtf16(ExeFolder()) : ConfigFilePath) + name;
  return name;
}

void TKvenFormMain::Startup() {
  if (!ConfigDocument && !ConfigNode) {
    try {
      ConfigFileName = ConfigFile();
      ConfigDocument = std::make_unique<TKvenXmlDocument1>(ConfigFileName);
      ConfigNode = ConfigDocument->GetRoot()->GetChild(u"FormMain");
      LoadState();
    } catch (...) {
    }
  }
  OwnLogDocuments.reset(new TLogDocumentsAll(ConfigNode ? ConfigNode->GetChild(u"Logs") : nullptr,
                                             LogTypeSet, LogFilePath, LogID, LogName, MakeLogWindow,
                                             MakeLogService));
  LogDocuments = OwnLogDocuments.get();
}

void TKvenFormMain::Shutdown() {
  if (OwnLogDocuments) {
    try {
      OwnLogDocuments->Close();
    } catch (...) {
    }
    LogDocuments = nullptr;
    OwnLogDocuments.reset();
  }
  SaveState();
  if (ConfigDocument) {
    try {
      ConfigDocument->SaveToFile(ConfigFileName);
    } catch (...) {
    }
    ConfigNode = nullptr;
    ConfigDocument.reset();
  }
}
