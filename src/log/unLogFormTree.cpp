#include "log/unLogFormTree.h"

#include "canvas/unQtStrings.h"
#include "platform/unStrings.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QTreeWidget>
#include <QVBoxLayout>

TFormLog::TFormLog(QWidget* owner) : TfmLogShablon(owner) {
  setObjectName("FormLog");
  const QRect screen =
      QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->geometry() : QRect();
  setGeometry(0, screen.height() - 200, std::max(screen.width(), 200), 170);
  setWindowTitle(QCoreApplication::translate("TLogFormTree", "Сообщения программы"));
  auto* rows = new QVBoxLayout(this);
  rows->setContentsMargins(0, 0, 0, 0);
  rows->setSpacing(0);
  auto* columns = new QHBoxLayout;
  columns->setSpacing(0);
  SidePanel = new QWidget(this);
  SidePanel->setObjectName("SidePanel");
  SidePanel->setFixedWidth(20);
  SidePanel->hide();
  Tree = new QTreeWidget(this);
  Tree->setObjectName("Tree");
  Tree->setHeaderHidden(true);
  Tree->setIconSize(QSize(16, 16));
  columns->addWidget(SidePanel);
  columns->addWidget(Tree, 1);
  rows->addLayout(columns, 1);
  CommandLine = new QLineEdit(this);
  CommandLine->setObjectName("CommandLine");
  CommandLine->setFixedHeight(17);
  CommandLine->hide();
  CommandLine->installEventFilter(this);
  rows->addWidget(CommandLine);
}

int TFormLog::ImageOf(TLogTypeMessage type) {
  switch (type) {
  case ltNone:
    return 2;
  case ltError:
    return 4;
  case ltWarning:
    return 3;
  default:
    return -1;
  }
}

QTreeWidgetItem* TFormLog::AddNode(TLogTypeMessage type, std::int32_t id, std::int32_t parentId,
                                   const std::u16string& text) {
  if (Records.size() > MaxRecords) {
    Records.clear();
    Tree->clear();
  }
  Records.emplace_back(id, nullptr);
  const QString entry = QString::fromStdString(FormatWindowTime(Now())) + " " + ToQString(text);
  QTreeWidgetItem* parent = nullptr;
  if (parentId != 0) {
    for (const auto& [recordId, item] : Records) {
      if (recordId == parentId && item) {
        parent = item;
        break;
      }
    }
  }
  auto* item = new QTreeWidgetItem(QStringList{entry});
  if (parent)
    parent->insertChild(0, item);
  else
    Tree->insertTopLevelItem(0, item);
  Records.back().second = item;
  if (const int image = ImageOf(type); image >= 0)
    item->setIcon(0, QIcon(QPixmap::fromImage(RunImages[static_cast<std::size_t>(image)])));
  // The image index, for whoever reads the tree.
  item->setData(0, Qt::UserRole, ImageOf(type));
  return item;
}

std::int32_t TFormLog::AddToLogW(TLogGroupMessage group, TLogTypeMessage type,
                                 const std::u16string& format, const TLogArgs& args) {
  const std::string text = std::string("[") + LogTypeAbbreviation(type, "?") + "] " +
                           LogGroupAbbreviation(group, "?") + ": " +
                           FormatLogOrAsIs(Utf16ToUtf8(format), args);
  AddNode(type, 0, 0, Utf8ToUtf16(text));
  return 1;
}

void TFormLog::SetCommand(TKvenMessage handler) {
  CommandHandler = std::move(handler);
  CommandLine->setVisible(static_cast<bool>(CommandHandler));
}

void TFormLog::NClearClick() {
  Tree->clear();
  Records.clear();
}

void TFormLog::CommandLineEnter() {
  const QString line = CommandLine->text();
  if (line.isEmpty())
    return;
  AddToLogW(lgNone, ltInformation, u"Команда \"%s\"", {ToU16(line)});
  if (CommandHandler) {
    try {
      CommandHandler(ToU16(line));
    } catch (...) {
    }
  }
}

bool TFormLog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == CommandLine && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
        !(key->modifiers() & Qt::ControlModifier)) {
      CommandLineEnter();
      return true;
    }
  }
  return TfmLogShablon::eventFilter(watched, event);
}
