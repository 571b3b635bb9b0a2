#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <optional>

class IModule;
class QComboBox;
class QLineEdit;
class TComponentList;

// The module wizard: shows a module's name, description, type, position and size, and on OK
// writes them back, giving the module the parameter lists of the component chosen as its type.
// Result 1 on OK, 2 on Cancel.
class TFormModuleMaster : public QDialog {
  Q_OBJECT
public:
  explicit TFormModuleMaster(QWidget* owner = nullptr);

  void SetModule(std::shared_ptr<IModule> module);
  // Not owned; may be null.
  void SetComponents(TComponentList* components);

  // The OK button: checks the numbers, applies every field and closes with 1; a field that is
  // not an integer is named in a message and focused, nothing is applied and the dialog stays.
  void btOkClick();
  // The "..." button: adds a chosen file to the type list once and selects it.
  void btTypeClick();

  // The file dialog of "..."; nothing when cancelled. Replaceable, for tests.
  std::function<std::optional<QString>()> ChooseFile;
  // Tells the user why OK did not close. Replaceable, for tests.
  std::function<void(const QString&)> ShowMessage;

  void reject() override { done(2); }

private:
  void ClearFields();
  void FillFields();

  std::shared_ptr<IModule> Module;
  TComponentList* Components = nullptr;
  QLineEdit* edName;
  QLineEdit* edDescription;
  QComboBox* cbType;
  QLineEdit* edPositionX;
  QLineEdit* edPositionY;
  QLineEdit* edHeight;
  QLineEdit* edWidth;
};
