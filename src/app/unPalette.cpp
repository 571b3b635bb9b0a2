#include "app/unPalette.h"

#include "canvas/unQtStrings.h"
#include "plugins/unComponent.h"
#include "plugins/unComponentCategory.h"
#include "plugins/unComponentList.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// The tree, whose entries drag as their entry texts.
class TPaletteTree : public QTreeWidget {
public:
  using QTreeWidget::QTreeWidget;

protected:
  QStringList mimeTypes() const override { return {TPalette::EntryMimeType}; }
  QMimeData* mimeData(const QList<QTreeWidgetItem*>& items) const override {
    if (items.size() != 1 || TPalette::EntryOf(items.front()).isEmpty())
      return nullptr;
    auto* data = new QMimeData;
    data->setData(TPalette::EntryMimeType, TPalette::EntryOf(items.front()).toUtf8());
    return data;
  }
};

constexpr int EntryRole = Qt::UserRole;
constexpr int SearchRole = Qt::UserRole + 1;

} // namespace

TPalette::TPalette(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  edSearch = new QLineEdit(this);
  edSearch->setObjectName("edPaletteSearch");
  edSearch->setPlaceholderText(QCoreApplication::translate("TPalette", "Поиск"));
  edSearch->setClearButtonEnabled(true);
  tvPalette = new TPaletteTree(this);
  tvPalette->setObjectName("tvPalette");
  tvPalette->setColumnCount(2);
  tvPalette->setHeaderLabels({QCoreApplication::translate("TPalette", "Компонент"),
                              QCoreApplication::translate("TPalette", "Название")});
  tvPalette->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  tvPalette->setDragEnabled(true);
  tvPalette->setDragDropMode(QAbstractItemView::DragOnly);
  tvPalette->setRootIsDecorated(true);
  layout->addWidget(edSearch);
  layout->addWidget(tvPalette);
  connect(edSearch, &QLineEdit::textChanged, this, &TPalette::Search);
  connect(tvPalette, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
    if (const QString entry = EntryOf(item); !entry.isEmpty() && OnChosen)
      OnChosen(entry);
  });
}

QString TPalette::EntryOf(const QTreeWidgetItem* item) {
  return item ? item->data(0, EntryRole).toString() : QString();
}

void TPalette::Fill(const TComponentList* components, const QStringList& subsystems) {
  tvPalette->clear();
  for (const TComponentGroup& listed : ComponentGroups(components)) {
    auto* group = new QTreeWidgetItem(tvPalette, {QString::fromStdString(listed.Title)});
    for (const IComponent* c : listed.Components) {
      const TComponentInfo info = c->GetInfo();
      auto* item = new QTreeWidgetItem(group, {ToQString(info.Name), ToQString(info.Title)});
      item->setData(0, EntryRole, QString("type:" + ToQString(c->GetFileName())));
      item->setData(0, SearchRole,
                    ToQString(info.Name) + '\n' + ToQString(info.Title) + '\n' +
                        ToQString(info.Description));
      item->setToolTip(0, ToQString(info.Description));
      item->setToolTip(1, ToQString(info.Description));
    }
  }
  if (!subsystems.isEmpty()) {
    auto* group =
        new QTreeWidgetItem(tvPalette, {QCoreApplication::translate("TPalette", "Подсистемы")});
    for (const QString& file : subsystems) {
      const QString name = QFileInfo(file).completeBaseName();
      auto* item = new QTreeWidgetItem(group, {name});
      item->setData(0, EntryRole, QString("library:" + file));
      item->setData(0, SearchRole, name);
      item->setToolTip(0, file);
    }
  }
  tvPalette->expandAll();
  Search(edSearch->text());
}

void TPalette::Search(const QString& text) {
  const QString wanted = text.trimmed();
  for (int g = 0; g < tvPalette->topLevelItemCount(); ++g) {
    QTreeWidgetItem* group = tvPalette->topLevelItem(g);
    int shown = 0;
    for (int i = 0; i < group->childCount(); ++i) {
      QTreeWidgetItem* item = group->child(i);
      const bool match = wanted.isEmpty() ||
                         item->data(0, SearchRole).toString().contains(wanted, Qt::CaseInsensitive);
      item->setHidden(!match);
      shown += match ? 1 : 0;
    }
    group->setHidden(shown == 0);
  }
}

QStringList TPalette::Shown() const {
  QStringList shown;
  for (int g = 0; g < tvPalette->topLevelItemCount(); ++g) {
    const QTreeWidgetItem* group = tvPalette->topLevelItem(g);
    if (group->isHidden())
      continue;
    for (int i = 0; i < group->childCount(); ++i)
      if (!group->child(i)->isHidden())
        shown << group->text(0) + "/" + group->child(i)->text(0);
  }
  return shown;
}
