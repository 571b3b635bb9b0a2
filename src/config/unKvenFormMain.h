#pragma once

#include "config/unKvenForm.h"
#include "log/unLogDocumentsAll.h"

#include <string>

// The base of the program's main window: at start it reads its configuration file and builds the
// log documents; at the end it closes them and writes the file again.
class TKvenFormMain : public TKvenForm {
  Q_OBJECT
public:
  explicit TKvenFormMain(QWidget* parent = nullptr);
  ~TKvenFormMain() override;

  // Empty: the executable's name with ".config"; a name without a folder lies in ConfigFilePath
  // (used as it stands), or the executable's folder when that is empty.
  std::u16string ConfigFileName;
  std::u16string ConfigFilePath;
  std::u16string LogFilePath;
  std::int32_t LogID = 123;
  std::string LogName;
  TLogTypeSet LogTypeSet;
  // Makes the log window's document; without it there is no window.
  TMakeLogWindow MakeLogWindow;
  TMakeLogService MakeLogService;

  // Reads the configuration (once) and its state, then builds the log documents.
  virtual void Startup();
  // Closes the log documents, saves the state and writes the configuration file (replacing it
  // atomically; nothing is reported when that fails).
  virtual void Shutdown();

  // The configuration file's full name as Startup computes it.
  std::u16string ConfigFile() const;

private:
  std::unique_ptr<TLogDocumentsAll, TLogDisposer> OwnLogDocuments;
};
