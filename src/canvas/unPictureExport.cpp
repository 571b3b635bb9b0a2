#include "canvas/unPictureExport.h"

#include "canvas/unImageCanvas.h"
#include "canvas/unQtStrings.h"
#include "canvas/unViewCanvas.h"
#include "model/unIModule.h"
#include "model/unProject.h"
#include "platform/unCanvas.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QSvgGenerator>
#include <algorithm>
#include <climits>

namespace {

constexpr int Margin = 10;

// Draws through a painter: white boxes with pen-coloured outlines, one-pixel lines, text in the
// painter's font.
class TPainterCanvas : public TCanvas {
public:
  explicit TPainterCanvas(QPainter& painter) : Painter(painter), Metrics(painter.font()) {}
  void SetPenColor(TColor color) override {
    QPen pen = Painter.pen();
    pen.setColor(QColor(color.R, color.G, color.B));
    Painter.setPen(pen);
  }
  void SetPenWidth(std::int32_t width) override {
    QPen pen = Painter.pen();
    pen.setWidth(width);
    Painter.setPen(pen);
  }
  void Rectangle(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) override {
    Painter.setBrush(Qt::white);
    Painter.drawRect(QRect(QPoint(std::min(l, r), std::min(t, b)),
                           QPoint(std::max(l, r) - 1, std::max(t, b) - 1)));
  }
  void Polyline(std::span<const TPoint> points) override {
    QPolygon polygon;
    for (const TPoint& p : points)
      polygon << QPoint(p.X, p.Y);
    Painter.drawPolyline(polygon);
  }
  void TextOut(std::int32_t x, std::int32_t y, const std::u16string& text) override {
    const QPen pen = Painter.pen();
    Painter.setPen(Qt::black);
    Painter.drawText(QPoint(x, y + Metrics.ascent()), ToQString(text));
    Painter.setPen(pen);
  }
  TSize TextExtent(const std::u16string& text) override {
    return {Metrics.horizontalAdvance(ToQString(text)), Metrics.height()};
  }

private:
  QPainter& Painter;
  QFontMetrics Metrics;
};

// Everything the modules draw, in project coordinates; empty without modules.
TRect Extent(TProject& project, const QFont& font) {
  TImageCanvas measure(font);
  TRect extent;
  auto modules = project.GetMainModules();
  for (std::int32_t i = 0; modules && i < modules->Count(); ++i) {
    const TRect drawn = modules->GetItem(i)->DrawnBounds(measure);
    extent =
        extent.Empty()
            ? drawn
            : TRect{std::min(extent.Left, drawn.Left), std::min(extent.Top, drawn.Top),
                    std::max(extent.Right, drawn.Right), std::max(extent.Bottom, drawn.Bottom)};
  }
  return extent;
}

} // namespace

bool ExportPicture(TProject& project, const QString& file, QString* reason) {
  auto fail = [&](const QString& why) {
    if (reason)
      *reason = why;
    return false;
  };
  const QString type = QFileInfo(file).suffix().toLower();
  if (type != "png" && type != "svg")
    return fail(QString::fromUtf8("Неизвестный тип рисунка «%1»: нужен .png или .svg").arg(type));
  const QFont font = QGuiApplication::font();
  const TRect extent = Extent(project, font);
  const bool none = extent.Empty();
  const int left = std::min(0, none ? 0 : extent.Left - Margin);
  const int top = std::min(0, none ? 0 : extent.Top - Margin);
  const int width = std::clamp((none ? 0 : extent.Right + Margin) - left + 1, 1, 32767);
  const int height = std::clamp((none ? 0 : extent.Bottom + Margin) - top + 1, 1, 32767);
  if (type == "png") {
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
      return fail(QString::fromUtf8("Рисунок %1 × %2 слишком велик").arg(width).arg(height));
    image.fill(Qt::white);
    TImageCanvas canvas(font);
    canvas.SetTarget(&image);
    canvas.BeginPicture();
    TViewCanvas moved(canvas);
    moved.SetView(1, {left, top});
    project.Draw(nullptr, moved);
    return image.save(file, "PNG") ? true
                                   : fail(QString::fromUtf8("Файл не записан: %1").arg(file));
  }
  QSvgGenerator svg;
  svg.setFileName(file);
  svg.setSize(QSize(width, height));
  svg.setViewBox(QRect(0, 0, width, height));
  svg.setTitle(ToQString(project.GetName()));
  QPainter painter;
  if (!painter.begin(&svg))
    return fail(QString::fromUtf8("Файл не записан: %1").arg(file));
  painter.setFont(font);
  painter.fillRect(QRect(0, 0, width, height), Qt::white);
  TPainterCanvas canvas(painter);
  TViewCanvas moved(canvas);
  moved.SetView(1, {left, top});
  project.Draw(nullptr, moved);
  return painter.end() ? true : fail(QString::fromUtf8("Файл не записан: %1").arg(file));
}
