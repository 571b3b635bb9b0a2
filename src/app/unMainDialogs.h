#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QDialog;
class QWidget;

// The questions and dialogs of the main window, behind one interface so that tests can answer them.
class IMainDialogs {
public:
  // Modal results of the window toolkit.
  static constexpr int mrOk = 1;
  static constexpr int mrCancel = 2;
  static constexpr int mrYes = 6;
  static constexpr int mrNo = 7;

  virtual ~IMainDialogs() = default;
  // A confirmation with Yes and No; returns mrYes or mrNo.
  virtual int ConfirmYesNo(const QString& text) = 0;
  // A question with Yes, No and Cancel; returns mrYes, mrNo or mrCancel.
  virtual int AskYesNoCancel(const QString& text) = 0;
  // An error message with an OK button; the details, when given, are there to be shown.
  virtual void ShowError(const QString& text, const QString& details = {}) = 0;
  // The chosen file, or nothing when cancelled.
  virtual std::optional<QString> ChooseOpenFile() = 0;
  virtual std::optional<QString> ChooseSaveFile() = 0;
  // A file for a picture (".png" or ".svg").
  virtual std::optional<QString> ChooseExportFile() = 0;
  // A file for an exported module, offered in the folder under the name (the projects' own
  // extension added to a name typed without one).
  virtual std::optional<QString> ChooseModuleFile(const QString& folder, const QString& name) = 0;
  // A file for the scope's picture (".png") or values (".csv").
  virtual std::optional<QString> ChooseScopeFile(bool picture) = 0;
  // Shows a filled dialog modally; its result.
  virtual int Execute(QDialog& dialog) = 0;
  // A line of text the user types (the initial text offered), or nothing when cancelled.
  virtual std::optional<QString> AskText(const QString& label, const QString& initial) = 0;
  // A question answered by one of the buttons, each naming what it does; the index of the one
  // pressed, or -1 when the question was closed without one.
  virtual int AskChoice(const QString& text, const QStringList& buttons) = 0;
};

// The file with the extension of the file dialog's filter ("SVG (*.svg)" gives ".svg") when it
// has none of its own.
QString WithFilterSuffix(const QString& file, const QString& filter);
// Project files' own extension (without the dot), and the project file a name typed without an
// extension of its own stands for.
inline constexpr const char* ProjectSuffix = "zuproj";
QString WithProjectSuffix(const QString& file);

// The extension a filter names ("svg" for "SVG (*.svg)"), "png" when it names none.
QString SuffixOfFilter(const QString& filter);

// The real dialogs, parented to a window.
class TQtMainDialogs : public IMainDialogs {
public:
  explicit TQtMainDialogs(QWidget* parent) : Parent(parent) {}
  int ConfirmYesNo(const QString& text) override;
  int AskYesNoCancel(const QString& text) override;
  void ShowError(const QString& text, const QString& details = {}) override;
  std::optional<QString> ChooseOpenFile() override;
  std::optional<QString> ChooseSaveFile() override;
  std::optional<QString> ChooseExportFile() override;
  std::optional<QString> ChooseModuleFile(const QString& folder, const QString& name) override;
  std::optional<QString> ChooseScopeFile(bool picture) override;
  int Execute(QDialog& dialog) override;
  std::optional<QString> AskText(const QString& label, const QString& initial) override;
  int AskChoice(const QString& text, const QStringList& buttons) override;

private:
  // A file to write, of one of the filters' kinds (the extension of the filter chosen added to a
  // name without one; an existing file so named asked about).
  std::optional<QString> ChooseFileToWrite(const char* name, const QStringList& filters);
  // Remembers the folder of a chosen file, where the next file dialog starts.
  std::optional<QString> Chosen(const QString& file);

  QWidget* Parent;
  QString LastFolder;
};
