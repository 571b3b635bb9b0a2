#include "shell/unComponents.h"

#include "canvas/unQtStrings.h"
#include "plugins/unComponentList.h"
#include "plugins/unComponentReport.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTreeWidget>
#include <algorithm>

TfmComponents::TfmComponents(QWidget* owner) : QDialog(owner) {
  setObjectName("fmComponents");
  setWindowTitle(QCoreApplication::translate("TfmComponents", "Компоненты"));
  resize(525, 326);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* splitter = new QSplitter(Qt::Horizontal, this);
  splitter->setObjectName("Splitter1");
  TreeView = new QTreeWidget(splitter);
  TreeView->setObjectName("TreeView");
  TreeView->setHeaderHidden(true);
  TreeView->setRootIsDecorated(false);
  mmInfo = new QPlainTextEdit(splitter);
  mmInfo->setObjectName("mmInfo");
  mmInfo->setLineWrapMode(QPlainTextEdit::NoWrap);
  QFont font("Courier New");
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setPixelSize(11);
  mmInfo->setFont(font);
  splitter->addWidget(TreeView);
  splitter->addWidget(mmInfo);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({137, 525 - 137});
  layout->addWidget(splitter);
  connect(TreeView, &QTreeWidget::itemClicked, this, [this] { TreeViewClick(); });
  connect(TreeView, &QTreeWidget::currentItemChanged, this, [this] { TreeViewClick(); });
}

void TfmComponents::SetComponents(TComponentList* components) {
  Components = components;
  TreeView->clear();
  mmInfo->clear();
  if (!Components)
    return;
  for (std::int32_t i = 0; i < Components->Count(); ++i)
    new QTreeWidgetItem(TreeView, {ToShownQString(Components->GetComponent(i)->Info.Name)});
}

void TfmComponents::TreeViewClick() {
  mmInfo->clear();
  if (!Components)
    return;
  QTreeWidgetItem* item = TreeView->currentItem();
  const int index = item && item->isSelected() ? TreeView->indexOfTopLevelItem(item) : -1;
  const TComponent* component = Components->GetComponent(index);
  if (!component)
    return;
  // What a component tells of itself is shown up to a length a reader can use: a description
  // of megabytes would stall the window.
  QStringList lines;
  std::size_t room = ShownTextUnits;
  for (const std::u16string& line : ComponentReport(*component)) {
    if (room == 0)
      break;
    lines << ToShownQString(line, std::min(room, ShownValueUnits));
    room -= std::min(room, line.size());
  }
  mmInfo->setPlainText(lines.join('\n'));
}
