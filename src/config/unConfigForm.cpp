#include "config/unConfigForm.h"

#include "config/unWindowState.h"

TConfigForm::TConfigForm(TKvenXmlNode1* element, TAddToLog, QWidget* window)
    : Element(element), Window(window) {}

bool TConfigForm::LoadState() {
  if (!Element || !Window)
    return false;
  try {
    LoadWindowState(*Window, *Element);
    return true;
  } catch (...) {
    return false;
  }
}

bool TConfigForm::SaveState() {
  if (!Element || !Window)
    return false;
  try {
    SaveWindowState(*Window, *Element);
    return true;
  } catch (...) {
    return false;
  }
}
