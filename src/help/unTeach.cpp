#include "help/unTeach.h"

#include "platform/unExeFolder.h"

#include <QTextBrowser>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

TfmTeach::TfmTeach(QWidget* owner, QString folder)
    : QWidget(owner, Qt::Window), Folder(std::move(folder)) {
  if (Folder.isEmpty())
    Folder = QString::fromStdString(ExeFolder());
  setObjectName("fmTeach");
  setWindowTitle(QString::fromUtf8("Обучение"));
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
