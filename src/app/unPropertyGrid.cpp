#include "app/unPropertyGrid.h"

#include "app/unProjectDocument.h"
#include "app/unScopeData.h"
#include "canvas/unQtStrings.h"
#include "model/unIModule.h"
#include "model/unLink.h"
#include "model/unLinkList.h"
#include "model/unParamList.h"
#include "model/unProject.h"
#include "model/unValueType.h"
#include "platform/unStrings.h"
#include "plugins/unParamAttach.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDrag>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <algorithm>
#include <climits>

namespace {

// The rows of a module by their keys, which the grid shows in the user's language.
const char* const Rows[] = {QT_TRANSLATE_NOOP("TPropertyGrid", "Name"),
                            QT_TRANSLATE_NOOP("TPropertyGrid", "Description"),
                            QT_TRANSLATE_NOOP("TPropertyGrid", "Type"),
                            QT_TRANSLATE_NOOP("TPropertyGrid", "Height"),
                            QT_TRANSLATE_NOOP("TPropertyGrid", "Width"),
                            QT_TRANSLATE_NOOP("TPropertyGrid", "PositionX"),
                            QT_TRANSLATE_NOOP("TPropertyGrid", "PositionY")};
// Where a row of the module's own keeps its key (its shown text is the key translated).
constexpr int KeyRole = Qt::UserRole + 2;

// The row's key: the module's own rows keep it, a parameter's row is known by its name.
QString KeyOf(const QTableWidgetItem& item) {
  const QVariant key = item.data(KeyRole);
  return key.isValid() ? key.toString() : item.text();
}

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

// What a parameter row holds, kept with its key: "in:" or "out:" and the parameter's name.
constexpr int ParamRole = Qt::UserRole;

QString ParamKey(const TParam& param, bool output) {
  QString key = ToQString(param.Title.empty() ? param.Name : param.Title);
  if (!param.Type.empty())
    key += " (" + ToQString(param.Type) + ")";
  return output ? QCoreApplication::translate("TPropertyGrid", "Выход: ") + key : key;
}

const TParamList* Params(const IModule& module, bool output) {
  return dynamic_cast<const TParamList*>(
      (output ? module.GetParamOut() : module.GetParamIn()).get());
}

const TInputValue* Typed(const IModule& module, const std::u16string& name) {
  for (const TInputValue& v : module.GetInputValues())
    if (v.Name == name)
      return &v;
  return nullptr;
}

// Puts the text into the value cell; a text too long to show or edit there is shown cut, and
// the cell cannot be edited (an edit would write the cut text back).
void SetCellText(QTableWidgetItem& cell, const QString& text) {
  const auto max = static_cast<qsizetype>(ShownValueUnits);
  if (text.size() <= max) {
    if (cell.text() != text)
      cell.setText(text);
    if (!cell.data(Qt::UserRole + 1).isNull()) {
      cell.setData(Qt::UserRole + 1, QVariant());
      cell.setToolTip(QString());
    }
    return;
  }
  cell.setText(text.left(max - 1) + QChar(0x2026));
  cell.setFlags(cell.flags() & ~Qt::ItemIsEditable);
  cell.setData(Qt::UserRole + 1, true);
  cell.setToolTip(QCoreApplication::translate("TPropertyGrid",
                                              "Текст из %1 знаков показан не целиком, и здесь "
                                              "его не изменить")
                      .arg(text.size()));
}

// Whether the cell shows a text cut by SetCellText.
bool IsCut(const QTableWidgetItem& cell) {
  return !cell.data(Qt::UserRole + 1).isNull();
}

// What an input's value cell is edited with: its type, and its choices ("value", "title" pairs).
constexpr int TypeRole = Qt::UserRole + 3;
constexpr int ChoicesRole = Qt::UserRole + 4;

// Edits a typed input's value with an editor that fits its type: a list of its choices, a whole
// number box for "int", a line that takes only a number's characters for "double"; any other
// type is a line of text. What the editor gives is checked by the document all the same.
class TValueDelegate : public QStyledItemDelegate {
public:
  using QStyledItemDelegate::QStyledItemDelegate;

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override {
    const QString type = index.data(TypeRole).toString();
    const QStringList choices = index.data(ChoicesRole).toStringList();
    if (!choices.isEmpty()) {
      auto* box = new QComboBox(parent);
      box->setObjectName("ChoiceEditor");
      for (int i = 0; i + 1 < choices.size(); i += 2)
        box->addItem(choices[i + 1].isEmpty() ? choices[i]
                                              : choices[i + 1] + " (" + choices[i] + ")",
                     choices[i]);
      return box;
    }
    if (type == "int") {
      auto* box = new QSpinBox(parent);
      box->setObjectName("IntEditor");
      box->setRange(INT_MIN, INT_MAX);
      return box;
    }
    auto* line = new QLineEdit(parent);
    if (type == "double") {
      line->setObjectName("NumberEditor");
      line->setValidator(new QRegularExpressionValidator(
          QRegularExpression(
              "[-+]?([0-9]*[.]?[0-9]*([eE][-+]?[0-9]*)?|[iI][nN][fF]?|[nN][aA]?[nN]?)"),
          line));
    }
    (void)option;
    return line;
  }

  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    const QString text = index.data(Qt::EditRole).toString();
    if (auto* box = qobject_cast<QComboBox*>(editor)) {
      box->setCurrentIndex(std::max(0, box->findData(text)));
    } else if (auto* spin = qobject_cast<QSpinBox*>(editor)) {
      std::int32_t value = 0;
      ReadInt(ToU16(text), value);
      spin->setValue(value);
    } else {
      QStyledItemDelegate::setEditorData(editor, index);
    }
  }

  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override {
    if (auto* box = qobject_cast<QComboBox*>(editor))
      model->setData(index, box->currentData().toString(), Qt::EditRole);
    else if (auto* spin = qobject_cast<QSpinBox*>(editor))
      model->setData(index, QString::number(spin->value()), Qt::EditRole);
    else
      QStyledItemDelegate::setModelData(editor, model, index);
  }
};

} // namespace

TPropertyGrid::TPropertyGrid(TProjectDocument& document, QTableWidget* grid,
                             std::function<void(const QString&)> tell)
    : QObject(grid), Document(document), Grid(grid), Tell(std::move(tell)) {
  connect(Grid, &QTableWidget::itemChanged, this, &TPropertyGrid::ItemChanged);
  Grid->setItemDelegateForColumn(1, new TValueDelegate(Grid));
  for (auto signal : {&TProjectDocument::ProjectChanged, &TProjectDocument::ContentChanged,
                      &TProjectDocument::SelectionChanged})
    connect(&Document, signal, this, &TPropertyGrid::ShowSelection);
  connect(&Document, &TProjectDocument::LockChanged, this, &TPropertyGrid::ShowSelection);
  // An output's row is dragged onto the scope to watch it there.
  Viewport = Grid->viewport();
  Viewport->installEventFilter(this);
}

QMimeData* TPropertyGrid::OutputDrag(int row) const {
  const QTableWidgetItem* key = row >= 0 && row < Grid->rowCount() ? Grid->item(row, 0) : nullptr;
  const QString role = key ? key->data(ParamRole).toString() : QString();
  if (!role.startsWith("out:"))
    return nullptr;
  auto* mime = new QMimeData;
  mime->setData(OutputMimeType, role.mid(4).toUtf8());
  return mime;
}

bool TPropertyGrid::eventFilter(QObject* watched, QEvent* event) {
  // Only the mouse on the viewport; events while the grid is being destroyed touch nothing.
  if (watched != Viewport ||
      (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseMove &&
       event->type() != QEvent::MouseButtonRelease))
    return false;
  if (event->type() == QEvent::MouseButtonPress) {
    const auto* press = static_cast<QMouseEvent*>(event);
    DragRow = press->button() == Qt::LeftButton ? Grid->rowAt(press->pos().y()) : -1;
    DragFrom = press->pos();
  } else if (event->type() == QEvent::MouseMove && DragRow >= 0) {
    const auto* move = static_cast<QMouseEvent*>(event);
    if ((move->buttons() & Qt::LeftButton) &&
        (move->pos() - DragFrom).manhattanLength() >= QApplication::startDragDistance()) {
      const int row = DragRow;
      DragRow = -1;
      if (QMimeData* mime = OutputDrag(row)) {
        auto* drag = new QDrag(Grid);
        drag->setMimeData(mime);
        drag->exec(Qt::CopyAction);
        return true;
      }
    }
  } else if (event->type() == QEvent::MouseButtonRelease) {
    DragRow = -1;
  }
  return false;
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
                   : QCoreApplication::translate("TPropertyGrid", "(модуль %1)")
                         .arg(ToQString(text))) +
           "." + ToQString(parameter);
  };
  Filling = true;
  SetValue(QT_TRANSLATE_NOOP("TPropertyGrid", "From"), end(link.From, link.FromText, link.Output));
  SetValue(QT_TRANSLATE_NOOP("TPropertyGrid", "To"), end(link.To, link.ToText, link.Input));
  for (int row = 0; row < Grid->rowCount(); ++row)
    Grid->item(row, 1)->setFlags(Grid->item(row, 1)->flags() & ~Qt::ItemIsEditable);
  Filling = false;
}

void TPropertyGrid::SetValue(const QString& key, const QString& value) {
  for (int row = 0; row < Grid->rowCount(); ++row) {
    if (KeyOf(*Grid->item(row, 0)) == key && Grid->item(row, 0)->data(ParamRole).isNull()) {
      SetCellText(*Grid->item(row, 1), value);
      return;
    }
  }
  const int row = Grid->rowCount();
  Grid->insertRow(row);
  auto* keyItem =
      new QTableWidgetItem(QCoreApplication::translate("TPropertyGrid", key.toUtf8().constData()));
  keyItem->setData(KeyRole, key);
  keyItem->setFlags(keyItem->flags() & ~Qt::ItemIsEditable);
  Grid->setItem(row, 0, keyItem);
  auto* cell = new QTableWidgetItem;
  SetCellText(*cell, value);
  Grid->setItem(row, 1, cell);
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
  if (Grid->rowCount() > 0 && KeyOf(*Grid->item(0, 0)) != Rows[0])
    Grid->setRowCount(0);
  Filling = true;
  for (const char* key : Rows)
    SetValue(key, SharedValue(modules, key));
  ShowComponentState(modules);
  ShowParams(modules);
  // While the project runs nothing is edited, nor a text shown cut.
  for (int row = 0; row < Grid->rowCount(); ++row)
    if (Grid->item(row, 0)->data(ParamRole).isNull()) {
      QTableWidgetItem* item = Grid->item(row, 1);
      item->setFlags(Document.Locked() || IsCut(*item) ? item->flags() & ~Qt::ItemIsEditable
                                                       : item->flags() | Qt::ItemIsEditable);
    }
  Filling = false;
}

QString TPropertyGrid::ParamValue(const std::vector<std::shared_ptr<IModule>>& modules, bool output,
                                  const std::u16string& name) const {
  auto one = [&](const IModule& module) {
    // An output keeps the last run's value after it ended; an input shows its typed one then.
    if ((Document.Locked() || output) && LiveValue)
      if (const auto value = LiveValue(module, output, name))
        return QString::fromStdString(*value);
    if (output)
      return QString();
    const TInputValue* typed = Typed(module, name);
    return typed ? ToQString(typed->Value) : QString();
  };
  const QString first = one(*modules.front());
  for (const auto& m : modules)
    if (one(*m) != first)
      return {};
  return first;
}

void TPropertyGrid::ShowParams(const std::vector<std::shared_ptr<IModule>>& modules) {
  // The rows of the modules shown before go; the new ones follow the module's own.
  for (int row = Grid->rowCount(); row-- > 0;)
    if (!Grid->item(row, 0)->data(ParamRole).isNull())
      Grid->removeRow(row);
  const IModule& first = *modules.front();
  for (const auto& m : modules)
    if (m->GetType() != first.GetType())
      return;
  const std::shared_ptr<IModuleList> level = Document.Level();
  const bool running = Document.Locked();
  for (const bool output : {false, true}) {
    const TParamList* params = Params(first, output);
    if (!params)
      continue;
    for (std::int32_t i = 0; i < params->Count(); ++i) {
      const TParam* param = params->Get(i);
      if (!param)
        continue;
      bool linked = false;
      for (const auto& m : modules)
        linked = linked || (!output && level && level->GetLinks().Into(m, param->Name));
      if (linked && !running)
        continue;
      const int row = Grid->rowCount();
      Grid->insertRow(row);
      auto* key = new QTableWidgetItem(ParamKey(*param, output));
      key->setFlags(key->flags() & ~Qt::ItemIsEditable);
      key->setData(ParamRole, QString(output ? "out:" : "in:") + ToQString(param->Name));
      QString tip = ToQString(param->Name);
      if (!param->Description.empty())
        tip += ": " + ToQString(param->Description);
      key->setToolTip(tip);
      if (output) {
        // Ticked: the output is watched (its values kept for the scope) by every module shown.
        bool watched = true;
        for (const auto& m : modules) {
          const auto& watches = m->GetWatches();
          watched = watched && std::any_of(watches.begin(), watches.end(), [&](const TWatch& w) {
                      return w.Output == param->Name;
                    });
        }
        key->setFlags(key->flags() | Qt::ItemIsUserCheckable);
        key->setCheckState(watched ? Qt::Checked : Qt::Unchecked);
        key->setToolTip(tip + "\n" +
                        QCoreApplication::translate(
                            "TPropertyGrid", "Отметьте, чтобы наблюдать выход в осциллографе"));
      }
      Grid->setItem(row, 0, key);
      auto* value = new QTableWidgetItem;
      const QString text = ParamValue(modules, output, param->Name);
      SetCellText(*value, text);
      if (!output) {
        value->setData(TypeRole, ToQString(param->Type));
        QStringList choices;
        for (const TChoice& choice : param->Choices)
          choices << ToQString(choice.Value) << ToQString(choice.Title);
        if (!choices.isEmpty())
          value->setData(ChoicesRole, choices);
      }
      const bool editable = !output && !linked && !running;
      if (!editable) {
        value->setFlags(value->flags() & ~Qt::ItemIsEditable);
      } else if (param->Type == u"bool" && param->Choices.empty()) {
        // A truth is ticked, not typed.
        // Unset, the component's own default holds: neither ticked nor not.
        bool truth = false;
        const bool set = ReadBool(ToU16(text), truth);
        value->setFlags((value->flags() | Qt::ItemIsUserCheckable) & ~Qt::ItemIsEditable);
        value->setCheckState(!set ? Qt::PartiallyChecked : truth ? Qt::Checked : Qt::Unchecked);
      }
      Grid->setItem(row, 1, value);
    }
  }
}

void TPropertyGrid::ShowLiveValues() {
  const auto modules = ShownModules();
  if (modules.empty())
    return;
  Filling = true;
  for (int row = 0; row < Grid->rowCount(); ++row) {
    const QString role = Grid->item(row, 0)->data(ParamRole).toString();
    if (role.isEmpty())
      continue;
    const bool output = role.startsWith("out:");
    SetCellText(*Grid->item(row, 1), ParamValue(modules, output, ToU16(role.section(':', 1))));
  }
  Filling = false;
}

void TPropertyGrid::WatchChanged(QTableWidgetItem& key) {
  const bool watched = key.checkState() == Qt::Checked;
  const std::u16string output = ToU16(key.data(ParamRole).toString().mid(4));
  for (const auto& module : ShownModules()) {
    const TEditResult result = Document.SetWatched(module, output, watched);
    if (!result) {
      Tell(result.Reason);
      Filling = true;
      key.setCheckState(watched ? Qt::Unchecked : Qt::Checked);
      Filling = false;
      return;
    }
  }
  Tell({});
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
    if (KeyOf(*Grid->item(row, 0)) == "Type")
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
  type->setToolTip(missing
                       ? QCoreApplication::translate(
                             "TPropertyGrid", "Компонент «%1» не найден: у модуля нет параметров")
                             .arg(shared)
                       : QString());
}

void TPropertyGrid::ItemChanged(QTableWidgetItem* item) {
  if (!Filling && item->column() == 0 && item->data(ParamRole).toString().startsWith("out:")) {
    WatchChanged(*item);
    return;
  }
  if (Filling || item->column() != 1)
    return;
  const auto modules = ShownModules();
  QTableWidgetItem* keyItem = Grid->item(item->row(), 0);
  if (modules.empty() || !keyItem)
    return;
  // The document writes the text, or says why not; a refused value shows the modules' again.
  const QString role = keyItem->data(ParamRole).toString();
  QString text = item->text();
  if (role.startsWith("in:") && item->data(Qt::CheckStateRole).isValid()) {
    // A tick is a truth: "true" or "false".
    if (item->checkState() == Qt::PartiallyChecked)
      return;
    text = item->checkState() == Qt::Checked ? "true" : "false";
    bool truth = false;
    if (ReadBool(ToU16(item->text()), truth) && truth == (item->checkState() == Qt::Checked))
      return;
  }
  const TEditResult result = role.startsWith("in:")
                                 ? Document.SetInputValue(modules, ToU16(role.mid(3)), ToU16(text))
                                 : Document.SetValue(modules, KeyOf(*keyItem), text);
  if (result) {
    Tell({});
    return;
  }
  ShowSelection();
  Tell(result.Reason);
}
