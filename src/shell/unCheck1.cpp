#include "shell/unCheck1.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QVBoxLayout>

TFormCheck1::TFormCheck1(QWidget* owner) : QDialog(owner) {
  setObjectName("FormCheck1");
  setWindowTitle(QCoreApplication::translate("TFormCheck1", "Выбор"));
  setFixedSize(263, 129);
  auto* layout = new QVBoxLayout(this);
  const struct {
    const char* Name;
    const char* Caption;
    int Result;
  } buttons[] = {{"ButtonCreate", QT_TRANSLATE_NOOP("TFormCheck1", "Создать новый проект"), 6},
                 {"ButtonOpen", QT_TRANSLATE_NOOP("TFormCheck1", "Открыть проект"), 7},
                 {"ButtonCancel", QT_TRANSLATE_NOOP("TFormCheck1", "Отмена"), 2}};
  for (const auto& b : buttons) {
    auto* button = new QPushButton(QCoreApplication::translate("TFormCheck1", b.Caption), this);
    button->setObjectName(b.Name);
    // Enter answers with the first button.
    button->setAutoDefault(false);
    button->setDefault(b.Result == 6);
    const int result = b.Result;
    connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
    layout->addWidget(button);
  }
}
