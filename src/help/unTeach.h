#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;
class QTimer;

// The teaching window "Обучение": shows the help page about the part of the main window the mouse
// rests on, half a second after it came there.
class TfmTeach : public QWidget {
  Q_OBJECT
public:
  // Pages are looked up under the folder (with its trailing '/'), by default the executable's.
  explicit TfmTeach(QWidget* owner = nullptr, QString folder = {});

  // Asks for a page (relative to the folder, "\\" or "/" between its parts): a new page restarts
  // the 500 ms count; the page already asked for changes nothing.
  void ShowPage(const QString& page);
  // The timer's tick: shows the page asked for last.
  void Timer1Timer();

  const QString& GetPage() const { return Page; }
  // The address shown last, and how many times a page was shown.
  const QString& GetAddress() const { return Address; }
  int GetNavigations() const { return Navigations; }
  QTimer* GetTimer() const { return Timer1; }

  static constexpr int DelayMs = 500;

private:
  QString Folder;
  QString Page;
  QString Address;
  int Navigations = 0;
  QTextBrowser* wbTeach;
  QTimer* Timer1;
};
