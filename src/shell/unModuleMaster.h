#pragma once

#include "shell/unModuleText.h"

#include <QDialog>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class IModule;
class QComboBox;
class QLineEdit;
class TComponentList;

// The module wizard: shows a module's name, description, type, position and size and, on OK,
// gives back what the user made of them (the module itself is not touched: the document applies
// the values). Result 1 on OK, 2 on Cancel.
class TFormModuleMaster : public QDialog {
  Q_OBJECT
public:
  explicit TFormModuleMaster(QWidget* owner = nullptr);

  // Shows the module's values.
  void SetModule(const std::shared_ptr<IModule>& module);
  void SetValues(const TModuleText& values);
  // The values the user gave by OK (before it, those shown).
  const TModuleText& Values() const { return Result; }
  // Not owned; may be null.
  void SetComponents(TComponentList* components);
  // The subsystems of the user's library, offered after the components (files in the project
  // file's layout).
  void SetLibrary(const QStringList& files);

  // The OK button: checks the numbers and closes with 1, the fields' texts in Values(); a field
  // that the values refuse is named in a message and focused, and the dialog stays.
  void btOkClick();
  // The "..." button: adds a chosen file to the type list once and selects it.
  void btTypeClick();

  // The file dialog of "..."; nothing when cancelled. Replaceable, for tests.
  std::function<std::optional<QString>()> ChooseFile;
  // Tells the user why OK did not close. Replaceable, for tests.
  std::function<void(const QString&)> ShowMessage;
  // The first free name of a stem on the level ("SignalGenerator" → "SignalGenerator1"): while
  // the name shown is the one proposed, choosing a component proposes its name so numbered.
  std::function<QString(const QString& stem)> ProposeName;
  // Why a name cannot be the module's (taken on its level), or empty: OK refuses it.
  std::function<QString(const QString& name)> NameRefusal;

  void reject() override { done(2); }

private:
  void ClearFields();
  void FillFields();
  // A component or a library entry was chosen in the type box.
  void TypeChosen(int index);

  std::optional<TModuleText> Shown;
  TModuleText Result;
  TComponentList* Components = nullptr;
  QStringList Library;
  // The name last proposed: a name the user typed is never replaced.
  QString Proposed;
  QLineEdit* edName;
  QLineEdit* edDescription;
  QComboBox* cbType;
  QLineEdit* edPositionX;
  QLineEdit* edPositionY;
  QLineEdit* edHeight;
  QLineEdit* edWidth;
};
