#include "shell/unCheck1.h"

#include <QPushButton>
#include <QVBoxLayout>

TFormCheck1::TFormCheck1(QWidget* owner) : QDialog(owner) {
  setObjectName("FormCheck1");
  setWindowTitle(QString::fromUtf8("Выбор"));
  setFixedSize(263, 129);
  auto* layout = new QVBoxLayout(this);
  const struct {
    const char* Name;
    const char* Caption;
    int Result;
  } buttons[] = {{"ButtonCreate", "Создать новый проект", 6},
                 {"ButtonOpen", "Открыть проект", 7},
                 {"ButtonCancel", "Отмена", 2}};
  for (const auto& b : buttons) {
    auto* button = new QPushButton(QString::fromUtf8(b.Caption), this);
    button->setObjectName(b.Name);
    // Enter answers with the first button.
    button->setAutoDefault(false);
    button->setDefault(b.Result == 6);
    const int result = b.Result;
    connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
    layout->addWidget(button);
  }
}
