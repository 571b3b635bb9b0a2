#include "log/unLogDocumentsAll.h"

#include "log/unLogFile.h"
#include "log/unLogProgram.h"
#include "platform/unExeFolder.h"
#include "platform/unStrings.h"
#include "xml/unXml.h"

#include <exception>

std::u16string LogFileName(const std::u16string& path, const std::u16string& exeName) {
  std::u16string base = exeName;
  if (const std::size_t dot = base.rfind(u'.'); dot != std::u16string::npos)
    base.resize(dot);
  // The path is used as it stands: no separator is put in.
  return (path.empty() ? Utf8ToUtf16(ExeFolder()) : path) + base + u".log";
}

TLogDocument* TLogDocumentsAll::Keep(TLogDocument* document) {
  if (document) {
    Owned.emplace_back(document);
    Add(document);
  }
  return document;
}

TLogDocumentsAll::TLogDocumentsAll(TKvenXmlNode1* config, TLogTypeSet types,
                                   const std::u16string& path, std::int32_t logId,
                                   const std::string& logName, TMakeLogWindow makeWindow,
                                   TMakeLogService makeService)
    : TLogDocuments(lDocuments) {
  if (types.Contains(lWindow) && makeWindow) {
    try {
      TKvenXmlNode1* element = config ? config->GetChild(u"LogForm") : nullptr;
      if (TLogDocument* window = Keep(makeWindow(element))) {
        try {
          window->LoadConfig();
        } catch (...) {
        }
        window->Open();
      }
    } catch (...) {
    }
  }
  if (types.Contains(lFile)) {
    try {
      TLogDocument* file = Keep(new TLogFileText(LogFileName(path, Utf8ToUtf16(ExeName()))));
      file->LoadConfig();
      file->Open();
    } catch (...) {
    }
  }
  if (types.Contains(lLogSystem) && makeService) {
    try {
      Keep(makeService(logId, logName));
    } catch (const std::exception& e) {
      AddToLogW(lgGeneral, ltError,
                u"Ошибка присоединения к системе логирования ID=%d Name=\"%s\" \"%s\" <%s.%s>",
                {logId, logName, std::string(e.what()), std::string("TLogDocumentsAll"),
                 std::string("Create")});
    }
  }
  if (types.Contains(lProgram)) {
    try {
      Keep(new TLogProgram);
    } catch (...) {
    }
  }
}

TLogDocumentsAll::~TLogDocumentsAll() = default;
