#include "help/unTeach.h"

#include "platform/unExeFolder.h"

#include <QCoreApplication>
#include <QMoveEvent>
#include <QScreen>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <cstdlib>

TfmTeach::TfmTeach(QWidget* owner, QString folder)
    : QWidget(owner, Qt::Tool), Folder(std::move(folder)) {
  if (Folder.isEmpty())
    Folder = QString::fromStdString(ExeFolder());
  setObjectName("fmTeach");
  setWindowTitle(QCoreApplication::translate("TfmTeach", "Обучение"));
  setGeometry(798, 101, 324, 237);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  wbTeach = new QTextBrowser(this);
  wbTeach->setObjectName("wbTeach");
  wbTeach->setOpenLinks(true);
  auto* pnlMain = new QWidget(this);
  pnlMain->setObjectName("pnlMain");
  pnlMain->setFixedHeight(25);
  layout->addWidget(wbTeach, 1);
  layout->addWidget(pnlMain);
  Timer1 = new QTimer(this);
  Timer1->setObjectName("Timer1");
  Timer1->setInterval(DelayMs);
  Timer1->setSingleShot(true);
  connect(Timer1, &QTimer::timeout, this, &TfmTeach::Timer1Timer);
}

QPoint SnapToArea(const QRect& frame, const QRect& area, int distance) {
  QPoint at = frame.topLeft();
  if (std::abs(frame.left() - area.left()) <= distance)
    at.setX(area.left());
  else if (std::abs(frame.right() - area.right()) <= distance)
    at.setX(area.right() - frame.width() + 1);
  if (std::abs(frame.top() - area.top()) <= distance)
    at.setY(area.top());
  else if (std::abs(frame.bottom() - area.bottom()) <= distance)
    at.setY(area.bottom() - frame.height() + 1);
  return at;
}

void TfmTeach::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  const QScreen* on = screen();
  if (Snapping || !on)
    return;
  const QPoint snapped = SnapToArea(frameGeometry(), on->availableGeometry(), SnapDistance);
  if (snapped == frameGeometry().topLeft())
    return;
  Snapping = true;
  move(snapped);
  Snapping = false;
}

void TfmTeach::ShowPage(const QString& page) {
  if (page == Page)
    return;
  Timer1->stop();
  Page = page;
  Timer1->start();
}

void TfmTeach::Timer1Timer() {
  Timer1->stop();
  QString relative = Page;
  relative.replace('\\', '/');
  const QUrl address = QUrl::fromLocalFile(Folder + relative);
  Address = address.toString();
  ++Navigations;
  wbTeach->setSource(address);
}
