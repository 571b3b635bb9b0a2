#include "app/unScopeView.h"

#include "app/unScopeData.h"

#include "plugins/unHistoryCsv.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QImage>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int LeftMargin = 64, BottomMargin = 22, TopMargin = 4, RightMargin = 8, PlotGap = 6;

// A step of 1, 2 or 5 times a power of ten near `rough`.
double NiceStep(double rough) {
  if (!(rough > 0) || !std::isfinite(rough))
    return 1;
  const double power = std::pow(10, std::floor(std::log10(rough)));
  for (const double m : {1.0, 2.0, 5.0, 10.0})
    if (m * power >= rough)
      return m * power;
  return 10 * power;
}

QString Number(double value) {
  return QString::number(value, 'g', 6);
}

} // namespace

TScopeView::TScopeView(const TScopeData& run, QWidget* parent) : QWidget(parent), Run(run) {
  setObjectName("ScopeView");
  setMinimumSize(200, 120);
  setMouseTracking(false);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAcceptDrops(true);
}

QColor TScopeView::SignalColour(std::size_t n) {
  static const QColor colours[] = {QColor(0, 90, 200),   QColor(220, 60, 30),  QColor(0, 150, 70),
                                   QColor(150, 60, 180), QColor(230, 140, 0),  QColor(0, 160, 170),
                                   QColor(170, 30, 100), QColor(100, 100, 100)};
  const std::size_t count = sizeof colours / sizeof colours[0];
  QColor c = colours[n % count];
  // Further rounds of the same colours, darker.
  return n < count ? c : c.darker(100 + 40 * static_cast<int>(n / count));
}

std::pair<std::int64_t, std::int64_t> TScopeView::Kept() const {
  std::int64_t first = 0, end = 0;
  bool any = false;
  for (const TScopeSignal& s : Run.Signals) {
    if (s.History.Empty())
      continue;
    first = any ? std::min(first, s.History.FirstTick()) : s.History.FirstTick();
    end = any ? std::max(end, s.History.EndTick()) : s.History.EndTick();
    any = true;
  }
  return {first, end};
}

double TScopeView::From() const {
  if (!Follow)
    return ViewFrom;
  const auto [first, end] = Kept();
  if (FollowSpan > 0)
    return static_cast<double>(end) - FollowSpan;
  return static_cast<double>(first);
}

double TScopeView::To() const {
  if (!Follow)
    return ViewTo;
  const auto [first, end] = Kept();
  // At least one tick wide.
  return std::max(static_cast<double>(end), From() + 1);
}

void TScopeView::SetRange(double from, double to) {
  from = std::clamp(from, -1e15, 1e15);
  to = std::clamp(to, -1e15, 1e15);
  if (!(to > from))
    to = from + 1;
  Follow = false;
  ViewFrom = from;
  ViewTo = to;
  update();
  emit ViewChanged();
}

void TScopeView::SetFollow(bool follow, double span) {
  if (!follow) {
    SetRange(From(), To());
    return;
  }
  Follow = true;
  FollowSpan = std::max(0.0, span);
  update();
  emit ViewChanged();
}

void TScopeView::SetSeconds(bool seconds) {
  InSeconds = seconds;
  update();
}

void TScopeView::SetCursor(std::optional<std::int64_t> tick) {
  CursorTick = tick;
  update();
  emit ViewChanged();
}

int TScopeView::PlotCount() const {
  int plots = 1;
  for (const TScopeSignal& s : Run.Signals)
    plots = std::max(plots, s.Plot + 1);
  return plots;
}

QString TScopeView::ValueAt(std::size_t signal, std::int64_t tick, double* number) const {
  const TScopeSignal& s = Run.Signals[signal];
  double value = 0;
  if (s.History.ExactAt(tick, value) && !std::isnan(value)) {
    *number = value;
    return Number(value);
  }
  *number = std::numeric_limits<double>::quiet_NaN();
  const TSignalHistory::TRange range = s.History.RangeAt(tick);
  if (range.Any)
    return Number(range.Min) + " … " + Number(range.Max);
  return QStringLiteral("—");
}

QString TScopeView::LegendText(std::size_t signal) const {
  QString text = QString::fromStdString(Run.Signals[signal].Name);
  if (!CursorTick)
    return text;
  double a = 0, b = 0;
  text += " = " + ValueAt(signal, *CursorTick, &a);
  if (!SecondTick)
    return text;
  text += " | " + ValueAt(signal, *SecondTick, &b);
  if (!std::isnan(a) && !std::isnan(b))
    text += " (Δ " + Number(b - a) + ")";
  return text;
}

void TScopeView::SetSecondCursor(std::optional<std::int64_t> tick) {
  SecondTick = tick;
  update();
  emit ViewChanged();
}

double TScopeView::SecondsAt(double tick) const {
  const auto& paces = Run.Paces;
  const TStatsMessage& stats = Run.Stats;
  // A pace of as fast as possible counts at the rate the run achieved.
  const double achieved = stats.ElapsedNs > 0 ? static_cast<double>(stats.Ticks) * 1e9 /
                                                    static_cast<double>(stats.ElapsedNs)
                                              : 0;
  double seconds = 0;
  for (std::size_t i = 0; i < paces.size(); ++i) {
    const double from = static_cast<double>(paces[i].first);
    if (tick <= from)
      break;
    const double to =
        i + 1 < paces.size() ? std::min(tick, static_cast<double>(paces[i + 1].first)) : tick;
    const double rate = paces[i].second > 0 ? paces[i].second : achieved;
    if (rate > 0)
      seconds += (to - from) / rate;
  }
  return seconds;
}

QRect TScopeView::PlotArea() const {
  return rect().adjusted(LeftMargin, TopMargin, -RightMargin, -BottomMargin);
}

QRect TScopeView::PlotRect(int plot) const {
  const QRect area = PlotArea();
  const int plots = PlotCount();
  const int height = std::max(1, (area.height() - PlotGap * (plots - 1)) / plots);
  return {area.left(), area.top() + plot * (height + PlotGap), area.width(), height};
}

double TScopeView::TickAtX(int x) const {
  const QRect area = PlotArea();
  const double from = From(), to = To();
  return from + (to - from) * (x - area.left()) / std::max(1, area.width());
}

int TScopeView::XOfTick(double tick) const {
  const QRect area = PlotArea();
  const double from = From(), to = To();
  return area.left() + static_cast<int>(std::lround((tick - from) / (to - from) * area.width()));
}

void TScopeView::Changed() {
  update();
}

void TScopeView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().base());
  const auto& signals_ = Run.Signals;
  if (signals_.empty()) {
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap,
                     tr("Нет наблюдаемых выходов: выберите выход в таблице или на схеме "
                        "(Наблюдать) и запустите проект"));
    return;
  }
  for (int plot = 0; plot < PlotCount(); ++plot)
    DrawPlot(painter, plot, PlotRect(plot));
  DrawAxis(painter, PlotArea());
}

void TScopeView::DrawPlot(QPainter& painter, int plot, const QRect& area) {
  const auto& all = Run.Signals;
  const double from = From(), to = To();
  const auto a = static_cast<std::int64_t>(std::floor(from)),
             b = static_cast<std::int64_t>(std::ceil(to));
  // The values' range over the ticks shown, a little room above and below.
  TSignalHistory::TRange range;
  for (const TScopeSignal& s : all)
    if (s.Plot == plot) {
      const TSignalHistory::TRange r = s.History.MinMax(a, b);
      if (r.Any)
        range.Add(r.Min, r.Max);
    }
  double lo = range.Any ? range.Min : 0, hi = range.Any ? range.Max : 1;
  if (!(hi > lo) || !std::isfinite(hi - lo)) {
    lo = std::isfinite(lo) ? lo - 1 : -1;
    hi = std::isfinite(hi) ? hi + 1 : 1;
  }
  const double pad = (hi - lo) * 0.05;
  lo -= pad;
  hi += pad;
  auto y = [&](double v) {
    return area.bottom() - static_cast<int>(std::lround((v - lo) / (hi - lo) * area.height()));
  };
  painter.setPen(palette().color(QPalette::Mid));
  painter.drawRect(area.adjusted(0, 0, -1, -1));
  // The values' grid and their labels.
  const double step = NiceStep((hi - lo) / std::max(1, area.height() / 30));
  painter.setFont(font());
  for (double v = std::ceil(lo / step) * step; v <= hi; v += step) {
    const int yy = y(v);
    painter.setPen(QColor(230, 230, 230));
    painter.drawLine(area.left() + 1, yy, area.right() - 1, yy);
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(QRect(0, yy - 8, LeftMargin - 4, 16), Qt::AlignRight | Qt::AlignVCenter,
                     Number(std::abs(v) < step * 1e-9 ? 0 : v));
  }
  painter.save();
  painter.setClipRect(area.adjusted(1, 1, -1, -1));
  // Ticks whose values are thinned are shaded.
  for (const TScopeSignal& s : all)
    if (s.Plot == plot && s.History.ThinnedSpan() > 0) {
      const int x0 = XOfTick(static_cast<double>(s.History.FirstTick()));
      const int x1 = XOfTick(static_cast<double>(s.History.ExactFrom()));
      if (x1 > area.left()) {
        painter.fillRect(QRect(QPoint(std::max(x0, area.left()), area.top()),
                               QPoint(std::min(x1, area.right()), area.bottom())),
                         QColor(240, 240, 225));
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(
            QRect(std::max(x0, area.left()) + 4, area.bottom() - 18, 400, 16), Qt::AlignLeft,
            tr("прорежено: пары мин./макс. по %1 тактов").arg(s.History.ThinnedSpan()));
      }
      break;
    }
  // Each signal: every pixel column's range as a vertical span, stretched to meet the column
  // before, written straight into a layer over the plot (thousands of short lines cost a
  // painter far more).
  QImage layer(area.size(), QImage::Format_ARGB32_Premultiplied);
  layer.fill(Qt::transparent);
  const int height = layer.height();
  auto* bits = reinterpret_cast<std::uint32_t*>(layer.bits());
  const auto stride = static_cast<std::size_t>(layer.bytesPerLine() / 4);
  std::vector<TSignalHistory::TRange> columns;
  for (std::size_t n = 0; n < all.size(); ++n) {
    const TScopeSignal& s = all[n];
    if (s.Plot != plot)
      continue;
    const std::uint32_t colour = SignalColour(n).rgba();
    s.History.Columns(from, to, area.width(), columns);
    int lastY = -1;
    for (std::size_t c = 0; c < columns.size(); ++c) {
      const TSignalHistory::TRange& r = columns[c];
      if (!r.Any) {
        lastY = -1;
        continue;
      }
      int top = y(r.Max) - area.top(), bottom = y(r.Min) - area.top();
      const int end = bottom;
      if (lastY >= 0) {
        top = std::min(top, lastY);
        bottom = std::max(bottom, lastY);
      }
      lastY = end;
      top = std::clamp(top, 0, height - 1);
      bottom = std::clamp(bottom, 0, height - 1);
      for (int yy = top; yy <= bottom; ++yy)
        bits[static_cast<std::size_t>(yy) * stride + c] = colour;
    }
  }
  painter.drawImage(area.topLeft(), layer);
  // The cursors.
  for (const auto& cursor : {CursorTick, SecondTick})
    if (cursor) {
      const int x = XOfTick(static_cast<double>(*cursor) + 0.5);
      painter.setPen(QPen(palette().color(QPalette::Text), 1, Qt::DashLine));
      painter.drawLine(x, area.top(), x, area.bottom());
    }
  // The legend.
  int line = 0;
  const QFontMetrics metrics(font());
  for (std::size_t n = 0; n < all.size(); ++n) {
    if (all[n].Plot != plot)
      continue;
    const QString text = LegendText(n);
    const QRect box(area.left() + 6, area.top() + 4 + line * (metrics.height() + 2),
                    metrics.horizontalAdvance(text) + 18, metrics.height());
    painter.fillRect(box.adjusted(-2, -1, 2, 1), QColor(255, 255, 255, 210));
    painter.fillRect(QRect(box.left(), box.center().y() - 4, 10, 8), SignalColour(n));
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(box.adjusted(14, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
    ++line;
  }
  painter.restore();
}

void TScopeView::DrawAxis(QPainter& painter, const QRect& area) {
  const double from = From(), to = To();
  painter.setPen(palette().color(QPalette::Text));
  const int labels = std::max(1, area.width() / 100);
  if (InSeconds) {
    const double s0 = SecondsAt(from), s1 = SecondsAt(to);
    const double step = NiceStep((s1 - s0) / labels);
    for (double s = std::ceil(s0 / step) * step; s <= s1 && s1 > s0; s += step) {
      const int x = area.left() + static_cast<int>((s - s0) / (s1 - s0) * area.width());
      painter.drawLine(x, area.bottom(), x, area.bottom() + 3);
      painter.drawText(QRect(x - 50, area.bottom() + 4, 100, 16), Qt::AlignHCenter,
                       Number(s) + tr(" с"));
    }
    return;
  }
  const double step = std::max(1.0, NiceStep((to - from) / labels));
  for (double t = std::ceil(from / step) * step; t <= to; t += step) {
    const int x = XOfTick(t);
    painter.drawLine(x, area.bottom(), x, area.bottom() + 3);
    painter.drawText(QRect(x - 50, area.bottom() + 4, 100, 16), Qt::AlignHCenter,
                     QString::number(static_cast<qint64>(t)));
  }
}

void TScopeView::wheelEvent(QWheelEvent* event) {
  const double factor = event->angleDelta().y() > 0 ? 0.8 : 1.25;
  const double from = From(), to = To();
  const double at = TickAtX(static_cast<int>(event->position().x()));
  // Between 4 ticks and far more than any run has.
  const double width = std::clamp((to - from) * factor, 4.0, 1e15);
  if (Follow) {
    SetFollow(true, width); // zoomed while following: the newest ticks in the new width
  } else {
    const double share = (at - from) / (to - from);
    SetRange(at - share * width, at - share * width + width);
  }
  event->accept();
}

void TScopeView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton)
    return;
  PressedAt = event->pos();
  PressedFrom = From();
  PressedTo = To();
  Dragged = false;
}

void TScopeView::mouseMoveEvent(QMouseEvent* event) {
  if (!PressedAt)
    return;
  const int dx = event->pos().x() - PressedAt->x();
  if (!Dragged && std::abs(dx) < 4)
    return;
  Dragged = true;
  const double ticks = (PressedTo - PressedFrom) * dx / std::max(1, PlotArea().width());
  SetRange(PressedFrom - ticks, PressedTo - ticks);
}

void TScopeView::mouseReleaseEvent(QMouseEvent* event) {
  if (!PressedAt)
    return;
  if (!Dragged && PlotArea().contains(event->pos())) {
    const auto tick = static_cast<std::int64_t>(std::floor(TickAtX(event->pos().x())));
    if (event->modifiers() & Qt::ShiftModifier)
      SetSecondCursor(tick);
    else
      SetCursor(tick);
  }
  PressedAt.reset();
}

int TScopeView::PlotAt(int y) const {
  for (int plot = 0; plot < PlotCount(); ++plot)
    if (y <= PlotRect(plot).bottom() + PlotGap / 2)
      return plot;
  return PlotCount();
}

void TScopeView::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasFormat(OutputMimeType))
    event->acceptProposedAction();
}

bool TScopeView::Drop(const QMimeData& mime, int y) {
  if (!mime.hasFormat(OutputMimeType) || !OnDropOutput)
    return false;
  const QString output = QString::fromUtf8(mime.data(OutputMimeType));
  // Without any signal there is one empty plot: the first.
  OnDropOutput(output.toStdU16String(), Run.Signals.empty() ? 0 : PlotAt(y));
  return true;
}

void TScopeView::dropEvent(QDropEvent* event) {
  if (Drop(*event->mimeData(), static_cast<int>(event->position().y())))
    event->acceptProposedAction();
}

void TScopeView::mouseDoubleClickEvent(QMouseEvent*) {
  ShowAll();
}

std::string TScopeView::Csv(std::int64_t from, std::int64_t to) const {
  std::vector<std::string> names;
  std::vector<const TSignalHistory*> histories;
  for (const TScopeSignal& s : Run.Signals) {
    names.push_back(s.Name);
    histories.push_back(&s.History);
  }
  return ::HistoryCsv(names, histories, from, to);
}

std::string TScopeView::ShownCsv() const {
  return Csv(static_cast<std::int64_t>(std::floor(From())),
             static_cast<std::int64_t>(std::ceil(To())));
}

std::string TScopeView::HistoryCsv() const {
  const auto [first, end] = Kept();
  return Csv(first, end);
}
