#pragma once

#include "shell/unEditResult.h"

#include <QString>
#include <cstdint>

class IModule;

// A module's values as the user gives them: the wizard's fields, the grid's rows.
struct TModuleText {
  QString Name, Description, Type, PositionX, PositionY, Height, Width;
  // A subsystem of the user's library chosen instead of a type: its file, whose copy is inserted.
  QString Library;

  static TModuleText Of(const IModule& module);
  friend bool operator==(const TModuleText&, const TModuleText&) = default;
};

// The number a numeric field ("PositionX", "PositionY", "Height", "Width") takes from its text:
// a whole number in 32 bits, a size at least 1; refused with the reason (naming the field)
// otherwise.
TEditResult ReadModuleNumber(const QString& field, const QString& text, std::int32_t& value);
// True for the fields that take numbers.
bool IsNumberField(const QString& field);
