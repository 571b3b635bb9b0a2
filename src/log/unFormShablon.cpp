#include "log/unFormShablon.h"

#include <QResizeEvent>

TfmShablon::TfmShablon(QWidget* owner) : QWidget(owner) {
  setObjectName("fmShablon");
  setWindowTitle("fmShablon");
  setGeometry(213, 106, 495, 304);
  for (const QRgb colour : {qRgb(0xC6, 0xC6, 0xC6), qRgb(0, 0, 0xFF), qRgb(0, 0xFF, 0),
                            qRgb(0xFF, 0, 0xFF), qRgb(0xFF, 0, 0)}) {
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = 4; y < 12; ++y)
      for (int x = 4; x < 12; ++x)
        image.setPixel(x, y, colour);
    RunImages.push_back(image);
  }
}

void TfmShablon::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Resize();
}
