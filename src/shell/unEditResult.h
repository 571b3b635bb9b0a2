#pragma once

#include <QString>
#include <utility>

// The outcome of an edit the user asked for: done (perhaps with a note of what was left out), or
// refused with the reason to show (and the field it names, when one does).
struct TEditResult {
  bool Ok = true;
  QString Reason;
  QString Field;

  static TEditResult Done() { return {}; }
  // Done, with what the user should know of it in Reason.
  static TEditResult DoneWith(QString note) { return {true, std::move(note), {}}; }
  static TEditResult Refused(QString reason, QString field = {}) {
    return {false, std::move(reason), std::move(field)};
  }
  explicit operator bool() const { return Ok; }
};
