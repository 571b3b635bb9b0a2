#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct TScopeData;

// The scope: the watched outputs of the run under way, or of the last one, over ticks (or
// seconds), in plots stacked one above the other, each signal in its own colour with a legend.
// It follows the run's newest ticks until the user pans; the wheel zooms about the mouse, a drag
// pans, a click puts the cursor whose tick the legend reads, a double click shows everything.
// Ticks whose values are thinned to min/max pairs are shaded and say so.
class TScopeView : public QWidget {
  Q_OBJECT
public:
  explicit TScopeView(const TScopeData& run, QWidget* parent = nullptr);

  // The ticks shown, [From, To); showing them stops following.
  void SetRange(double from, double to);
  double From() const;
  double To() const;
  // Follows the newest ticks (all of them, or the last `span` when given).
  void SetFollow(bool follow, double span = 0);
  bool Following() const { return Follow; }
  // Everything kept, following the run.
  void ShowAll() { SetFollow(true, 0); }
  // The axis in seconds instead of ticks.
  void SetSeconds(bool seconds);
  bool Seconds() const { return InSeconds; }
  // The tick the legend reads (a click); nothing for none.
  void SetCursor(std::optional<std::int64_t> tick);
  std::optional<std::int64_t> Cursor() const { return CursorTick; }
  // A second cursor (Shift+click): the legend reads both and their difference.
  void SetSecondCursor(std::optional<std::int64_t> tick);
  std::optional<std::int64_t> SecondCursor() const { return SecondTick; }
  // How many plots the signals fill (their highest plot + 1; 1 at least).
  int PlotCount() const;
  // A signal's line in the legend: its name, and its value at the cursor when there is one.
  QString LegendText(std::size_t signal) const;
  // The colour of the n-th signal.
  static QColor SignalColour(std::size_t n);
  // The ticks shown as CSV (their values, full precision), and the whole history.
  std::string ShownCsv() const;
  std::string HistoryCsv() const;
  // The seconds from the run's start to the tick, by the paces it ran at.
  double SecondsAt(double tick) const;
  // Tells the view that values came or went: it draws again.
  void Changed();
  // The plot at a height of the view (PlotCount() below the last one: a new plot).
  int PlotAt(int y) const;
  // What a drop at the height y carries: an output is watched (OnDropOutput); false for others.
  bool Drop(const class QMimeData& mime, int y);
  // An output dropped on the view: its name and the plot at the drop.
  std::function<void(const std::u16string&, int)> OnDropOutput;

protected:
  void paintEvent(QPaintEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

signals:
  // The range shown, the following or the cursor changed.
  void ViewChanged();

private:
  // The signals' histories over the ticks [from, to) as CSV.
  std::string Csv(std::int64_t from, std::int64_t to) const;
  // The first tick kept and one past the last, of every signal.
  std::pair<std::int64_t, std::int64_t> Kept() const;
  // The area the curves are drawn in (the axes' labels outside it).
  QRect PlotArea() const;
  QRect PlotRect(int plot) const;
  double TickAtX(int x) const;
  int XOfTick(double tick) const;
  void DrawPlot(class QPainter& painter, int plot, const QRect& area);
  void DrawAxis(class QPainter& painter, const QRect& area);

  const TScopeData& Run;
  bool Follow = true;
  double FollowSpan = 0;
  double ViewFrom = 0, ViewTo = 1;
  bool InSeconds = false;
  std::optional<std::int64_t> CursorTick, SecondTick;
  // A signal's value at a tick as the legend writes it ("—" for none); false when it has none.
  QString ValueAt(std::size_t signal, std::int64_t tick, double* number) const;
  // A drag under way: where it began and the range then.
  std::optional<QPoint> PressedAt;
  double PressedFrom = 0, PressedTo = 0;
  bool Dragged = false;
};
