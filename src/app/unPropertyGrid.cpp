#include "app/unPropertyGrid.h"

#include "app/unEditCommands.h"
#include "app/unProjectDocument.h"
#include "canvas/unQtStrings.h"
#include "model/unIModule.h"
#include "model/unLink.h"
#include "model/unProject.h"
#include "platform/unIntText.h"
#include "plugins/unParamAttach.h"

#include <QTableWidget>

namespace {

const char* const Rows[] = {"Name",  "Description", "Type",     "Height",
                            "Width", "PositionX",   "PositionY"};

// The grid's text of one row of the module.
QString ModuleValue(const IModule& module, const QString& key) {
  if (key == "Name")
    return ToQString(module.GetName());
  if (key == "Description")
    return ToQString(module.GetDescription());
  if (key == "Type")
    return ToQString(module.GetType());
  if (key == "Height")
    return QString::number(module.GetHeight());
  if (key == "Width")
    return QString::number(module.GetWidth());
  if (key == "PositionX")
    return QString::number(module.GetPosition().X);
  if (key == "PositionY")
    return QString::number(module.GetPosition().Y);
  return {};
}

// The row's text that every module shares, or empty when they differ.
QString SharedValue(const std::vector<std::shared_ptr<IModule>>& modules, const QString& key) {
  if (modules.empty())
    return {};
  const QString first = ModuleValue(*modules.front(), key);
  for (const auto& m : modules)
    if (ModuleValue(*m, key) != first)
      return {};
  return first;
}

} // namespace

TPropertyGrid::TPropertyGrid(TProjectDocument& document, QTableWidget* grid,
                             std::function<void(const QString&)> tell)
    : QObject(grid), Document(document), Grid(grid), Tell(std::move(tell)) {
  connect(Grid, &QTableWidget::itemChanged, this, &TPropertyGrid::ItemChanged);
  for (auto signal : {&TProjectDocument::ProjectChanged, &TProjectDocument::ContentChanged,
                      &TProjectDocument::SelectionChanged})
    connect(&Document, signal, this, &TPropertyGrid::ShowSelection);
  connect(&Document, &TProjectDocument::ModuleMoving, this, &TPropertyGrid::ShowPosition);
}

void TPropertyGrid::ShowSelection() {
  if (const auto selection = Document.Selection(); !selection.empty()) {
    Show(selection);
    return;
  }
  Shown.clear();
  Grid->setRowCount(0);
  if (const std::shared_ptr<TLink> link = Document.SelectedLink())
    ShowLink(*link);
}

void TPropertyGrid::ShowLink(const TLink& link) {
  // The two ends, "module.parameter", to be read, not edited.
  auto end = [](const std::shared_ptr<IModule>& module, const std::u16string& text,
                const std::u16string& parameter) {
    return (module ? ToQString(module->GetName())
                   : QString::fromUtf8("(модуль %1)").arg(ToQString(text))) +
           "." + ToQString(parameter);
  };
  Filling = true;
  SetValue("From", end(link.From, link.FromText, link.Output));
  SetValue("To", end(link.To, link.ToText, link.Input));
  for (int row = 0; row < Grid->rowCount(); ++row)
    Grid->item(row, 1)->setFlags(Grid->item(row, 1)->flags() & ~Qt::ItemIsEditable);
  Filling = false;
}

void TPropertyGrid::SetValue(const QString& key, const QString& value) {
  for (int row = 0; row < Grid->rowCount(); ++row) {
    if (Grid->item(row, 0)->text() == key) {
      Grid->item(row, 1)->setText(value);
      return;
    }
  }
  const int row = Grid->rowCount();
  Grid->insertRow(row);
  auto* keyItem = new QTableWidgetItem(key);
  keyItem->setFlags(keyItem->flags() & ~Qt::ItemIsEditable);
  Grid->setItem(row, 0, keyItem);
  Grid->setItem(row, 1, new QTableWidgetItem(value));
}

void TPropertyGrid::Show(const std::shared_ptr<IModule>& module) {
  if (module)
    Show(std::vector<std::shared_ptr<IModule>>{module});
}

void TPropertyGrid::Show(const std::vector<std::shared_ptr<IModule>>& modules) {
  if (modules.empty())
    return;
  Shown.assign(modules.begin(), modules.end());
  // Rows of a link shown before go.
  if (Grid->rowCount() > 0 && Grid->item(0, 0)->text() != Rows[0])
    Grid->setRowCount(0);
  Filling = true;
  for (const char* key : Rows)
    SetValue(key, SharedValue(modules, key));
  ShowComponentState(modules);
  Filling = false;
}

std::vector<std::shared_ptr<IModule>> TPropertyGrid::ShownModules() const {
  std::vector<std::shared_ptr<IModule>> modules;
  for (const auto& weak : Shown)
    if (auto m = weak.lock())
      modules.push_back(m);
  return modules;
}

void TPropertyGrid::ShowComponentState(const std::vector<std::shared_ptr<IModule>>& modules) {
  QTableWidgetItem* type = nullptr;
  for (int row = 0; row < Grid->rowCount(); ++row)
    if (Grid->item(row, 0)->text() == "Type")
      type = Grid->item(row, 1);
  if (!type)
    return;
  // A type whose component is not registered: its text stays, and the row says so (for a type
  // the modules shown share).
  const TProject* project = Document.GetProject();
  const QString shared = SharedValue(modules, "Type");
  const bool missing =
      !shared.isEmpty() && project && !ComponentOfType(project->GetComponents(), ToU16(shared));
  type->setForeground(missing ? QBrush(Qt::red) : QBrush());
  type->setToolTip(
      missing ? QString::fromUtf8("Компонент «%1» не найден: у модуля нет параметров").arg(shared)
              : QString());
}

void TPropertyGrid::ShowPosition(const std::shared_ptr<IModule>&) {
  const auto modules = ShownModules();
  if (modules.empty())
    return;
  Filling = true;
  SetValue("PositionX", SharedValue(modules, "PositionX"));
  SetValue("PositionY", SharedValue(modules, "PositionY"));
  Filling = false;
}

void TPropertyGrid::ItemChanged(QTableWidgetItem* item) {
  if (Filling || item->column() != 1)
    return;
  const auto modules = ShownModules();
  QTableWidgetItem* keyItem = Grid->item(item->row(), 0);
  if (modules.empty() || !keyItem)
    return;
  const QString key = keyItem->text();
  const std::u16string text = ToU16(item->text());
  std::int32_t value = 0;
  if (key != "Name" && key != "Description" && key != "Type") {
    // A refused value: the row shows the modules' again and the status bar says why.
    auto refuse = [&](const char* why) {
      Filling = true;
      item->setText(SharedValue(modules, key));
      Filling = false;
      Tell(QString::fromUtf8(why).arg(ToQString(text), key));
    };
    const TIntTextResult number = ParseIntText(text, 32);
    if (!number.Ok)
      return refuse("Значение «%1» поля %2 не является целым числом");
    value = static_cast<std::int32_t>(number.Value);
    if ((key == "Height" || key == "Width") && value < 1)
      return refuse("Значение «%1» поля %2 меньше 1: размер — целое число не меньше 1");
  }
  Tell({});
  // One value written to every module shown: one undo step.
  std::vector<std::pair<std::shared_ptr<IModule>, TModuleValues>> changed;
  for (const auto& module : modules) {
    const TModuleValues before = TModuleValues::Of(*module);
    const TPoint position = module->GetPosition();
    if (key == "Name")
      module->SetName(text);
    else if (key == "Description")
      module->SetDescription(text);
    else if (key == "Type")
      module->SetType(text);
    else if (key == "Height")
      module->SetHeight(value);
    else if (key == "Width")
      module->SetWidth(value);
    else if (key == "PositionX")
      module->SetPosition({value, position.Y});
    else if (key == "PositionY")
      module->SetPosition({position.X, value});
    if (!(TModuleValues::Of(*module) == before))
      changed.emplace_back(module, before);
  }
  const QString caption = tr("Change %1").arg(key);
  if (changed.size() == 1) {
    const auto& [module, before] = changed.front();
    Document.Push(new TChangeModuleCommand(caption, module, before, TModuleValues::Of(*module),
                                           Document.Changed()));
  } else if (!changed.empty()) {
    auto* step = new TGroupCommand(caption, Document.Changed());
    for (const auto& [module, before] : changed)
      new TChangeModuleCommand(caption, module, before, TModuleValues::Of(*module), {}, 0, step);
    Document.Push(step);
  }
}
