#pragma once

#include "log/unLogDocuments.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TKvenXmlNode1;

// Makes the window document from its configuration element (which may be null); null when there
// is no window. The user interface gives it; without one no window document is made.
using TMakeLogWindow = std::function<TLogDocument*(TKvenXmlNode1* element)>;
// Makes the log-service document from the log ID and name; null when there is none.
using TMakeLogService = std::function<TLogDocument*(std::int32_t id, const std::string& name)>;

// The log front end: the window, file, service and program documents the type set asks for, in
// that order. It owns the documents it makes.
class TLogDocumentsAll : public TLogDocuments {
public:
  // The window's state is in the element's child "LogForm" (made when missing); the file is
  // path + the executable's name cut before its last "." + ".log" (the executable's folder for an
  // empty path). A document that cannot be made is left out.
  TLogDocumentsAll(TKvenXmlNode1* config, TLogTypeSet types, const std::u16string& path,
                   std::int32_t logId, const std::string& logName, TMakeLogWindow makeWindow = {},
                   TMakeLogService makeService = {});

protected:
  ~TLogDocumentsAll() override;

private:
  TLogDocument* Keep(TLogDocument* document);

  std::vector<std::unique_ptr<TLogDocument, TLogDisposer>> Owned;
};

// The log file's name for the path and the executable's file name.
std::u16string LogFileName(const std::u16string& path, const std::u16string& exeName);
