#include "help/unAbout.h"

#include "help/unVersionTable.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace {

// A value counts when it is longer than one character; at most 255 are taken.
QString Value(const TfmAbout::TVersionTable& table, const char* key) {
  const auto it = table.find(key);
  if (it == table.end() || it->second.size() <= 1)
    return {};
  return QString::fromUtf8(it->second.c_str()).left(255);
}

// The program's picture: blocks joined by lines, as on the canvas.
QPixmap Logo() {
  QPixmap picture(80, 68);
  picture.fill(Qt::transparent);
  QPainter p(&picture);
  p.setPen(QPen(Qt::black, 2));
  p.setBrush(Qt::white);
  p.drawRect(4, 6, 28, 22);
  p.drawRect(48, 40, 28, 22);
  p.drawLine(32, 17, 48, 51);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 128, 0));
  p.drawRect(4, 14, 4, 6);
  p.setBrush(Qt::blue);
  p.drawRect(72, 48, 4, 6);
  return picture;
}

} // namespace

QString TfmAbout::VersionText(const TVersionTable& table) {
  QString text;
  const QString product = Value(table, "ProductName");
  if (!product.isEmpty()) {
    text += product;
    const QString version = Value(table, "ProductVersion");
    text += version.isEmpty() ? "\n" : " (" + version + ")\n";
  }
  const struct {
    const char* Key;
    const char* Prefix;
  } lines[] = {{"OriginalFilename", QT_TRANSLATE_NOOP("TfmAbout", "Имя файла: ")},
               {"InternalName", ""},
               {"FileVersion", QT_TRANSLATE_NOOP("TfmAbout", "Версия: ")},
               {"LegalCopyright", ""},
               {"CompanyName", QT_TRANSLATE_NOOP("TfmAbout", "Компания: ")},
               {"FileDescription", QT_TRANSLATE_NOOP("TfmAbout", "Описание: ")}};
  // The program's own description is shown in the user's language; any other value as it is.
  static const char* const Described =
      QT_TRANSLATE_NOOP("TfmAbout", "Редактор модульного визуального программирования");
  for (const auto& line : lines)
    if (QString value = Value(table, line.Key); !value.isEmpty()) {
      if (value == QString::fromUtf8(Described))
        value = QCoreApplication::translate("TfmAbout", Described);
      text += (*line.Prefix ? QCoreApplication::translate("TfmAbout", line.Prefix) : QString()) +
              value + "\n";
    }
  return text;
}

TfmAbout::TfmAbout(QWidget* owner, const TVersionTable* table) : QDialog(owner) {
  setObjectName("fmAbout");
  setWindowTitle(QCoreApplication::translate("TfmAbout", "О программе"));
  setFixedSize(312, 133);
  auto* panel = new QFrame(this);
  panel->setObjectName("Panel1");
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel->setGeometry(8, 8, 83, 83);
  auto* image = new QLabel(panel);
  image->setObjectName("Image1");
  image->setPixmap(Logo());
  image->setAlignment(Qt::AlignCenter);
  image->setGeometry(1, 1, 81, 81);

  lbName = new QLabel(owner ? owner->windowTitle() : QString(), this);
  lbName->setObjectName("lbName");
  QFont bold("Arial");
  bold.setBold(true);
  bold.setPixelSize(13);
  lbName->setFont(bold);
  lbName->setAlignment(Qt::AlignCenter);
  lbName->setWordWrap(true);
  lbName->setGeometry(96, 8, 215 - 4, 33);

  lbCopyright = new QLabel(this);
  lbCopyright->setObjectName("lbCopyright");
  lbCopyright->setWordWrap(true);
  lbCopyright->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lbCopyright->setGeometry(96, 44, 215 - 4, 26);

  lbWWW = new QLabel(QString::fromLatin1(WebAddress), this);
  lbWWW->setObjectName("lbWWW");
  lbWWW->setStyleSheet("color: blue; text-decoration: underline;");
  lbWWW->setCursor(Qt::PointingHandCursor);
  lbWWW->installEventFilter(this);
  auto* line = new QFrame(this);
  line->setObjectName("Bevel1");
  line->setFrameShape(QFrame::HLine);
  auto* ok = new QPushButton(QCoreApplication::translate("TfmAbout", "OK"), this);
  ok->setObjectName("BitBtn1");
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  OpenUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };

  const QString text = VersionText(table ? *table : ExecutableVersionTable());
  // The text without its last line break, which the label would show as an empty line.
  lbCopyright->setText(text.endsWith('\n') ? text.chopped(1) : text);
  const int width = this->width() - lbCopyright->x() - 5;
  lbCopyright->setFixedWidth(width);
  lbCopyright->setFixedHeight(std::max(26, lbCopyright->heightForWidth(width)));
  if (lbCopyright->height() > 70)
    setFixedSize(this->width(), lbCopyright->height() + 90);
  // The bottom strip follows the height.
  const int bottom = height();
  line->setGeometry(0, bottom - 34, width + lbCopyright->x() + 5, 2);
  lbWWW->setGeometry(8, bottom - 26, this->width() - 8 - 75 - 16, 18);
  ok->setGeometry(this->width() - 8 - 75, bottom - 30, 75, 25);
}

bool TfmAbout::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lbWWW && event->type() == QEvent::MouseButtonRelease)
    lbWWWClick();
  return QDialog::eventFilter(watched, event);
}

void TfmAbout::lbWWWClick() {
  if (OpenUrl)
    OpenUrl(QUrl(lbWWW->text()));
}
