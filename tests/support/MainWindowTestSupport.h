#pragma once

#include "app/unMain.h"
#include "platform/unStrings.h"
#include "support/ScriptedMainDialogs.h"

#include <QTableWidget>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

// The main window working in the folder (its "Logs", "Configs" and components), with the
// script's answers to its dialogs, shown.
inline std::unique_ptr<TfmMain> ShownMainWindow(TScriptedMainDialogs::TScript& script,
                                                const std::filesystem::path& folder) {
  auto window = std::make_unique<TfmMain>(std::make_unique<TScriptedMainDialogs>(script), nullptr,
                                          Utf8ToUtf16(folder.string() + "/"));
  window->show();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  return window;
}

inline QTableWidget* GridOf(const QWidget& window) {
  return window.findChild<QTableWidget*>("ValueListEditor");
}

// The text of the grid's row, or "<missing>".
inline QString GridValue(const QWidget& window, const QString& key) {
  QTableWidget* grid = GridOf(window);
  for (int r = 0; r < grid->rowCount(); ++r)
    if (grid->item(r, 0)->text() == key)
      return grid->item(r, 1)->text();
  return "<missing>";
}

// Puts the text into the row's value, as a finished edit does.
inline void SetGridText(const QWidget& window, const QString& key, const QString& text) {
  QTableWidget* grid = GridOf(window);
  for (int r = 0; r < grid->rowCount(); ++r)
    if (grid->item(r, 0)->text() == key)
      grid->item(r, 1)->setText(text);
}
