#pragma once

#include "log/unLoggerObject.h"

class QWidget;
class TKvenXmlNode1;

// Keeps a window's position, size, state and caption in an XML element. Owns neither.
class TConfigForm : public TLoggerObject {
public:
  // The log handler is not used: the object has none.
  TConfigForm(TKvenXmlNode1* element, TAddToLog onLog, QWidget* window);

  // False without an element or a window, or when anything fails.
  bool LoadState();
  bool SaveState();

private:
  TKvenXmlNode1* Element;
  QWidget* Window;
};
