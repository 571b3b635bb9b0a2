#include "canvas/unPictureExport.h"

#include "canvas/unImageCanvas.h"
#include "canvas/unQtStrings.h"
#include "canvas/unViewCanvas.h"
#include "model/unIModule.h"
#include "model/unModule.h"
#include "model/unProject.h"
#include "platform/unCanvas.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QStringList>
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
  // An exported picture shows the program, not what was selected.
  bool ShowsSelection() override { return false; }
  TSize TextExtent(const std::u16string& text) override {
    return {Metrics.horizontalAdvance(ToQString(text)), Metrics.height()};
  }

private:
  QPainter& Painter;
  QFontMetrics Metrics;
};

// Everything the modules draw, in project coordinates; empty without modules.
TRect Extent(IModuleList* modules, const QFont& font) {
  TImageCanvas measure(font);
  TRect extent;
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
  return ExportLevelPicture(project, project.GetMainModules().get(), file, reason);
}

bool ExportLevelPicture(TProject& project, IModuleList* level, const QString& file,
                        QString* reason) {
  auto fail = [&](const QString& why) {
    if (reason)
      *reason = why;
    return false;
  };
  const QString type = QFileInfo(file).suffix().toLower();
  if (type != "png" && type != "svg")
    return fail(QCoreApplication::translate("TPictureExport",
                                            "Неизвестный тип рисунка «%1»: нужен .png или .svg")
                    .arg(type));
  const QFont font = QGuiApplication::font();
  const TRect extent = Extent(level, font);
  const bool none = extent.Empty();
  const int left = std::min(0, none ? 0 : extent.Left - Margin);
  const int top = std::min(0, none ? 0 : extent.Top - Margin);
  const int width = std::clamp((none ? 0 : extent.Right + Margin) - left + 1, 1, 32767);
  const int height = std::clamp((none ? 0 : extent.Bottom + Margin) - top + 1, 1, 32767);
  if (type == "png") {
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
      return fail(QCoreApplication::translate("TPictureExport", "Рисунок %1 × %2 слишком велик")
                      .arg(width)
                      .arg(height));
    image.fill(Qt::white);
    TImageCanvas canvas(font);
    canvas.DrawSelection = false; // a picture shows the program, not what was selected
    canvas.SetTarget(&image);
    canvas.BeginPicture();
    TViewCanvas moved(canvas);
    moved.SetView(1, {left, top});
    if (level)
      DrawLevel(moved, *level, nullptr);
    return image.save(file, "PNG")
               ? true
               : fail(QCoreApplication::translate("TPictureExport", "Файл не записан: %1")
                          .arg(file));
  }
  QSvgGenerator svg;
  svg.setFileName(file);
  svg.setSize(QSize(width, height));
  svg.setViewBox(QRect(0, 0, width, height));
  svg.setTitle(ToQString(project.GetName()));
  QPainter painter;
  if (!painter.begin(&svg))
    return fail(QCoreApplication::translate("TPictureExport", "Файл не записан: %1").arg(file));
  painter.setFont(font);
  painter.fillRect(QRect(0, 0, width, height), Qt::white);
  TPainterCanvas canvas(painter);
  TViewCanvas moved(canvas);
  moved.SetView(1, {left, top});
  if (level)
    DrawLevel(moved, *level, nullptr);
  return painter.end()
             ? true
             : fail(QCoreApplication::translate("TPictureExport", "Файл не записан: %1").arg(file));
}

std::vector<TLevel> ProjectLevels(const TProject& project) {
  std::vector<TLevel> levels;
  auto main = project.GetMainModules();
  if (!main)
    return levels;
  const std::shared_ptr<TModule> top = project.GetMainModule();
  levels.push_back({{top ? top->GetName() : std::u16string()}, main});
  // Each level before the levels below it, in the lists' order.
  for (std::size_t i = 0; i < levels.size(); ++i) {
    const TLevel level = levels[i];
    std::vector<TLevel> below;
    for (std::int32_t k = 0; k < level.Modules->Count(); ++k) {
      auto module = level.Modules->GetItem(k);
      if (auto children = module->GetModules(); children && children->Count() > 0) {
        TLevel next{level.Path, children};
        next.Path.push_back(module->GetName());
        below.push_back(std::move(next));
      }
    }
    levels.insert(levels.begin() + static_cast<std::ptrdiff_t>(i) + 1, below.begin(), below.end());
  }
  return levels;
}

QString LevelFileName(const TLevel& level, std::size_t number, std::size_t count,
                      const QString& suffix) {
  QStringList steps;
  for (const std::u16string& step : level.Path)
    steps << ToQString(step);
  QString name = steps.join(" - ");
  // A name that a file system cannot take is written with '_' in place of what it cannot.
  for (QChar& c : name)
    if (c == '/' || c == '\\' || c.unicode() < 32 || c == ':' || c == '*' || c == '?' || c == '"' ||
        c == '<' || c == '>' || c == '|')
      c = '_';
  if (name.size() > 120)
    name = name.left(120);
  const int digits = static_cast<int>(QString::number(count).size());
  return QString("%1 %2.%3").arg(number, digits, 10, QChar('0')).arg(name, suffix);
}

bool ExportEveryLevel(TProject& project, const QString& folder, const QString& suffix,
                      QString* reason) {
  if (!QDir().mkpath(folder)) {
    if (reason)
      *reason = QCoreApplication::translate("TPictureExport", "Папка не создана: %1").arg(folder);
    return false;
  }
  const std::vector<TLevel> levels = ProjectLevels(project);
  for (std::size_t i = 0; i < levels.size(); ++i)
    if (!ExportLevelPicture(
            project, levels[i].Modules.get(),
            QDir(folder).filePath(LevelFileName(levels[i], i + 1, levels.size(), suffix)), reason))
      return false;
  return true;
}
