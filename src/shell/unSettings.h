#pragma once

#include <QDialog>

// The settings dialog; it holds no setting yet. Its one button closes it with result 1.
class TFormSettings : public QDialog {
  Q_OBJECT
public:
  explicit TFormSettings(QWidget* owner = nullptr);
};
