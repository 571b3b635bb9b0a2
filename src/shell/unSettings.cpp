#include "shell/unSettings.h"

#include <QPushButton>

TFormSettings::TFormSettings(QWidget* owner) : QDialog(owner) {
  setObjectName("FormSettings");
  setWindowTitle(QString::fromUtf8("Настройки програмы"));
  setFixedSize(322, 231);
  auto* ok = new QPushButton("Ok", this);
  ok->setObjectName("ButtonOk");
  ok->setGeometry(322 - 8 - 75, 231 - 8 - 25, 75, 25);
  connect(ok, &QPushButton::clicked, this, [this] { done(1); });
}
