#include "shell/unModuleMaster.h"

#include "canvas/unQtStrings.h"
#include "model/unIModule.h"
#include "plugins/unComponentList.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace {

constexpr int RowTop = 8, RowStep = 22, RowHeight = 21, InputLeft = 96;

} // namespace

TFormModuleMaster::TFormModuleMaster(QWidget* owner) : QDialog(owner) {
  setObjectName("FormModuleMaster");
  setWindowTitle(QCoreApplication::translate("TFormModuleMaster", "Мастер создания модуля"));
  setFixedSize(332, 168);
  auto row = [this](int index, const char* label, QWidget* input, int width) {
    auto* caption = new QLabel(QCoreApplication::translate("TFormModuleMaster", label), this);
    caption->setGeometry(8, RowTop + index * RowStep + 2, InputLeft - 12, RowHeight - 4);
    caption->setBuddy(input);
    input->setGeometry(InputLeft, RowTop + index * RowStep, width, RowHeight);
  };
  auto edit = [this](const char* name) {
    auto* e = new QLineEdit(this);
    e->setObjectName(name);
    return e;
  };
  edName = edit("edName");
  edDescription = edit("edDescription");
  cbType = new QComboBox(this);
  cbType->setObjectName("cbType");
  cbType->setEditable(true);
  cbType->setInsertPolicy(QComboBox::NoInsert);
  edPositionX = edit("edPositionX");
  edPositionY = edit("edPositionY");
  edHeight = edit("edHeight");
  edWidth = edit("edWidth");
  row(0, QT_TRANSLATE_NOOP("TFormModuleMaster", "Name"), edName, 233);
  row(1, QT_TRANSLATE_NOOP("TFormModuleMaster", "Description"), edDescription, 233);
  row(2, QT_TRANSLATE_NOOP("TFormModuleMaster", "Type"), cbType, 209);
  row(3, QT_TRANSLATE_NOOP("TFormModuleMaster", "PositionX"), edPositionX, 121);
  row(4, QT_TRANSLATE_NOOP("TFormModuleMaster", "PositionY"), edPositionY, 121);
  row(5, QT_TRANSLATE_NOOP("TFormModuleMaster", "Height"), edHeight, 121);
  row(6, QT_TRANSLATE_NOOP("TFormModuleMaster", "Width"), edWidth, 121);
  edName->setText("Name");
  edDescription->setText("Description");
  for (QLineEdit* e : {edPositionX, edPositionY, edHeight, edWidth})
    e->setText("100");

  auto* btType = new QPushButton("...", this);
  btType->setObjectName("btType");
  btType->setGeometry(InputLeft + 209 + 3, RowTop + 2 * RowStep, 21, RowHeight);
  auto* btOk = new QPushButton(QCoreApplication::translate("TFormModuleMaster", "Ok"), this);
  btOk->setObjectName("btOk");
  btOk->setDefault(true);
  btOk->setGeometry(332 - 8 - 75, RowTop + 4 * RowStep, 75, 25);
  auto* btCancel =
      new QPushButton(QCoreApplication::translate("TFormModuleMaster", "Cancel"), this);
  btCancel->setObjectName("btCancel");
  btCancel->setGeometry(332 - 8 - 75, RowTop + 5 * RowStep + 6, 75, 25);
  connect(btType, &QPushButton::clicked, this, &TFormModuleMaster::btTypeClick);
  connect(cbType, qOverload<int>(&QComboBox::activated), this, &TFormModuleMaster::TypeChosen);
  connect(btOk, &QPushButton::clicked, this, &TFormModuleMaster::btOkClick);
  connect(btCancel, &QPushButton::clicked, this, [this] { done(2); });

  ChooseFile = [this]() -> std::optional<QString> {
    const QString file = QFileDialog::getOpenFileName(this);
    return file.isEmpty() ? std::nullopt : std::optional<QString>(file);
  };
  ShowMessage = [this](const QString& text) { QMessageBox::warning(this, windowTitle(), text); };
}

void TFormModuleMaster::SetModule(const std::shared_ptr<IModule>& module) {
  Shown.reset();
  if (module)
    Shown = TModuleText::Of(*module);
  FillFields();
}

void TFormModuleMaster::SetValues(const TModuleText& values) {
  Shown = values;
  FillFields();
}

void TFormModuleMaster::SetComponents(TComponentList* components) {
  Components = components;
  FillFields();
}

void TFormModuleMaster::SetLibrary(const QStringList& files) {
  Library = files;
  FillFields();
}

void TFormModuleMaster::TypeChosen(int index) {
  if (index < 0 || edName->text() != Proposed || !ProposeName)
    return;
  const QVariant data = cbType->itemData(index);
  QString stem;
  if (data.isValid() && data.toString().startsWith("library:"))
    stem = QFileInfo(data.toString().mid(8)).completeBaseName();
  else if (Components && index < Components->Count())
    stem = ToQString(Components->GetComponent(index)->GetInfo().Name);
  if (stem.isEmpty())
    return;
  Proposed = ProposeName(stem);
  edName->setText(Proposed);
}

void TFormModuleMaster::ClearFields() {
  for (QLineEdit* e : {edName, edDescription, edPositionX, edPositionY, edHeight, edWidth})
    e->clear();
  cbType->clear();
  cbType->setEditText(QString());
}

void TFormModuleMaster::FillFields() {
  ClearFields();
  update();
  // Components by name and title; the type a module takes is the entry's file.
  if (Components)
    for (std::int32_t i = 0; i < Components->Count(); ++i) {
      const IComponent* c = Components->GetComponent(i);
      const QString name = ToQString(c->GetInfo().Name), title = ToQString(c->GetInfo().Title);
      cbType->addItem(title.isEmpty() || title == name ? name : name + " — " + title,
                      QString("type:" + ToQString(c->GetFileName())));
    }
  for (const QString& file : Library)
    cbType->addItem(QCoreApplication::translate("TFormModuleMaster", "Подсистема: %1")
                        .arg(QFileInfo(file).completeBaseName()),
                    QString("library:" + file));
  cbType->setCurrentIndex(-1);
  if (!Shown)
    return;
  // Until OK reads the fields, the values are those shown.
  Result = *Shown;
  Proposed = Shown->Name;
  edName->setText(Shown->Name);
  edDescription->setText(Shown->Description);
  edPositionX->setText(Shown->PositionX);
  edPositionY->setText(Shown->PositionY);
  edHeight->setText(Shown->Height);
  edWidth->setText(Shown->Width);
  // The current type is shown, its registry entry selected when there is one, so that OK without
  // touching the type keeps it.
  const QString type = Shown->Type;
  const int entry = type.isEmpty() ? -1 : cbType->findData(QString("type:" + type));
  cbType->setCurrentIndex(entry);
  if (entry < 0)
    cbType->setEditText(type);
}

void TFormModuleMaster::btTypeClick() {
  const std::optional<QString> file = ChooseFile ? ChooseFile() : std::nullopt;
  if (!file)
    return;
  // A component's file selects its entry.
  int entry = cbType->findData(QString("type:" + *file));
  if (entry < 0)
    entry = cbType->findText(*file, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (entry < 0) {
    cbType->addItem(*file);
    entry = cbType->count() - 1;
  }
  cbType->setCurrentIndex(entry);
}

void TFormModuleMaster::btOkClick() {
  Result = {edName->text(),      edDescription->text(), cbType->currentText(), edPositionX->text(),
            edPositionY->text(), edHeight->text(),      edWidth->text(),       {}};
  // A library entry chosen (and shown as it was offered): its file is inserted, no type given.
  if (const int index = cbType->currentIndex();
      index >= 0 && cbType->itemText(index) == cbType->currentText()) {
    if (const QVariant data = cbType->itemData(index);
        data.isValid() && data.toString().startsWith("library:")) {
      Result.Library = data.toString().mid(8);
      Result.Type.clear();
    } else if (data.isValid() && data.toString().startsWith("type:")) {
      Result.Type = data.toString().mid(5);
    }
  }
  if (!Shown) {
    done(1);
    return;
  }
  // A name another module of the level has is refused.
  if (const QString why = NameRefusal ? NameRefusal(edName->text()) : QString(); !why.isEmpty()) {
    if (ShowMessage)
      ShowMessage(why);
    edName->setFocus();
    edName->selectAll();
    return;
  }
  // Every number is checked before the dialog closes; the first one refused is focused.
  const struct {
    QLineEdit* Edit;
    const char* Field;
  } numbers[] = {{edPositionX, "PositionX"},
                 {edPositionY, "PositionY"},
                 {edHeight, "Height"},
                 {edWidth, "Width"}};
  for (const auto& number : numbers) {
    std::int32_t value = 0;
    if (const TEditResult read = ReadModuleNumber(number.Field, number.Edit->text(), value);
        !read) {
      if (ShowMessage)
        ShowMessage(read.Reason);
      number.Edit->setFocus();
      number.Edit->selectAll();
      return;
    }
  }
  done(1);
}
