#include "shell/unSettings.h"

#include <QCoreApplication>
#include <QPushButton>

TFormSettings::TFormSettings(QWidget* owner) : QDialog(owner) {
  setObjectName("FormSettings");
  setWindowTitle(QCoreApplication::translate("TFormSettings", "Настройки програмы"));
  setFixedSize(322, 231);
  auto* ok = new QPushButton(QCoreApplication::translate("TFormSettings", "Ok"), this);
  ok->setObjectName("ButtonOk");
  ok->setGeometry(322 - 8 - 75, 231 - 8 - 25, 75, 25);
  connect(ok, &QPushButton::clicked, this, [this] { done(1); });
}
