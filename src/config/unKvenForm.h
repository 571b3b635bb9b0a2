#pragma once

#include "log/unLogGlobals.h"

#include <QMainWindow>
#include <memory>

class TKvenXmlDocument1;
class TKvenXmlNode1;

// A main window that keeps its state in a configuration element and logs through log documents.
class TKvenForm : public QMainWindow {
  Q_OBJECT
public:
  explicit TKvenForm(QWidget* parent = nullptr);
  ~TKvenForm() override;

  // Passes the message to the log documents, then to OnLog, whose answer then counts; never
  // throws. The shape of a log handler.
  virtual bool Log(TLogGroupMessage group, TLogTypeMessage type, const std::string& format,
                   const TLogArgs& args);
  virtual std::int32_t LogW(TLogGroupMessage group, TLogTypeMessage type,
                            const std::u16string& format, const TLogArgs& args);
  // False without a configuration element.
  virtual bool LoadState();
  virtual bool SaveState();
  // Log as a handler to hand to other objects; it must not outlive the window.
  TAddToLog LogHandler();

  // Not owned here; may be null.
  TLogDocument* LogDocuments = nullptr;
  TAddToLog OnLog;

protected:
  std::unique_ptr<TKvenXmlDocument1> ConfigDocument;
  // Inside ConfigDocument; may be null.
  TKvenXmlNode1* ConfigNode = nullptr;
};
