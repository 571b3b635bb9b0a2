#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;
class QTimer;

// Where a window's frame goes when its edges come within distance of the area's edges: flush
// with them; elsewhere it stays.
QPoint SnapToArea(const QRect& frame, const QRect& area, int distance);

// The teaching window "Обучение": shows the help page about the part of the main window the mouse
// rests on, half a second after it came there. A tool window of its owner (kept above it), whose
// edges snap to the screen's border.
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
  // Edges this close to the screen's border snap to it.
  static constexpr int SnapDistance = 10;

protected:
  void moveEvent(QMoveEvent* event) override;

private:
  QString Folder;
  QString Page;
  QString Address;
  int Navigations = 0;
  bool Snapping = false;
  QTextBrowser* wbTeach;
  QTimer* Timer1;
};
