#pragma once

#include <QDialog>

// The start dialog: a new project (result 6), an existing one (7) or neither (2, also when the
// window is closed).
class TFormCheck1 : public QDialog {
  Q_OBJECT
public:
  explicit TFormCheck1(QWidget* owner = nullptr);
  void reject() override { done(2); }
};
