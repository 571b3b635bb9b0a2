#pragma once

#include "log/unFormShablon.h"
#include "log/unLogGlobals.h"

// The template of a window that shows log messages and may take commands.
class TfmLogShablon : public TfmShablon {
  Q_OBJECT
public:
  using TfmShablon::TfmShablon;

  // None in the template.
  virtual TKvenMessage GetCommand() const;
  // Ignored in the template.
  virtual void SetCommand(TKvenMessage handler);
  // -1: the template shows nothing.
  virtual std::int32_t AddToLogW(TLogGroupMessage group, TLogTypeMessage type,
                                 const std::u16string& format, const TLogArgs& args);
};
