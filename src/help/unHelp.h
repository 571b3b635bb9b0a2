#pragma once

#include <QDialog>

// The help window "Справка по программе ZUProgramming" with the program's idea in a few lines.
class TfmHelp : public QDialog {
  Q_OBJECT
public:
  explicit TfmHelp(QWidget* owner = nullptr);

  // The text's lines, in order.
  static QStringList HelpLines();
};
