#include "app/unCanvasView.h"

#include "app/unMiniMap.h"
#include "app/unPalette.h"

#include <QDropEvent>
#include <QMimeData>

#include "app/unProjectDocument.h"
#include "canvas/unProgrammingImage.h"
#include "canvas/unQtStrings.h"
#include "model/unIModule.h"
#include "model/unModule.h"
#include "model/unProject.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGridLayout>
#include <QLabel>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

TCanvasView::TCanvasView(TProjectDocument& document, QWidget* parent, QLabel* zoomLabel,
                         QLabel* pathLabel)
    : QWidget(parent), Document(document), ZoomLabel(zoomLabel), PathLabel(pathLabel) {
  setObjectName("CanvasArea");
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(0);
  // The path of the level shown, each step above the last a link to its level.
  PathLabel->setTextFormat(Qt::RichText);
  PathLabel->setContentsMargins(4, 1, 4, 1);
  PathLabel->hide();
  connect(PathLabel, &QLabel::linkActivated, this,
          [this](const QString& depth) { Document.ShowLevel(depth.toULongLong()); });
  Canvas = new TProgrammingImage(this);
  ScrollX = new QScrollBar(Qt::Horizontal, this);
  ScrollX->setObjectName("CanvasScrollX");
  ScrollY = new QScrollBar(Qt::Vertical, this);
  ScrollY->setObjectName("CanvasScrollY");
  grid->addWidget(Canvas, 0, 0);
  grid->addWidget(ScrollY, 0, 1);
  grid->addWidget(ScrollX, 1, 0);
  for (QScrollBar* bar : {ScrollX, ScrollY})
    connect(bar, &QScrollBar::valueChanged, this, [this] {
      if (!UpdatingScroll)
        Canvas->SetOrigin({ScrollX->value(), ScrollY->value()});
    });
  Canvas->OnViewChange = [this] { UpdateView(); };
  Overview = new TMiniMap(*Canvas, Canvas);
  PlaceOverview();
  Canvas->setAcceptDrops(true);
  Canvas->installEventFilter(this);

  // The canvas tells what a gesture asks for; the document does it and the views follow.
  Canvas->OnSelect = [this](const std::shared_ptr<IModule>& m) { Document.Select(m); };
  Canvas->OnToggle = [this](const std::shared_ptr<IModule>& m) { Document.ToggleSelected(m); };
  Canvas->OnBandSelect = [this](const std::vector<std::shared_ptr<IModule>>& modules) {
    Document.AddToSelection(modules);
  };
  Canvas->SelectionOf = [this] { return Document.Selection(); };
  auto tell = [this](const QString& text) {
    if (OnMessage)
      OnMessage(text);
  };
  auto told = [tell](const TEditResult& result) {
    if (!result)
      tell(result.Reason);
  };
  Canvas->OnModuleKeyMove = [this, told](const std::shared_ptr<IModule>& m, TPoint delta) {
    told(Document.MoveByKeys(m, delta));
  };
  // One step per drag, not per mouse move.
  Canvas->OnModulesDrop = [this, told](const std::vector<std::shared_ptr<IModule>>& moved,
                                       TPoint delta) { told(Document.MoveModules(moved, delta)); };
  Canvas->OnModuleEdit = [this](const std::shared_ptr<IModule>& m) {
    if (OnEdit)
      OnEdit(m);
  };
  Canvas->OnLinkSelect = [this](const std::shared_ptr<TLink>& link) { Document.SelectLink(link); };
  Canvas->OnLinkRoute = [this, told](const std::shared_ptr<TLink>& link, std::vector<TPoint> points,
                                     TProgrammingImage::TRouteEdit edit) {
    using E = TProgrammingImage::TRouteEdit;
    const QString text = edit == E::AddBend      ? tr("Add Bend")
                         : edit == E::RemoveBend ? tr("Remove Bend")
                                                 : tr("Move Link");
    told(Document.SetLinkPoints(link, std::move(points), text));
  };
  Canvas->OnLinkRefused = [tell](const std::u16string& text) { tell(ToQString(text)); };
  Canvas->OnLinkDrop = [this,
                        tell](const std::shared_ptr<IModule>& from, const std::u16string& output,
                              const std::shared_ptr<IModule>& to, const std::u16string& input) {
    const TEditResult added = Document.AddLink(from, output, to, input);
    tell(!added
             ? QCoreApplication::translate("TCanvasView", "Связь не создана: %1").arg(added.Reason)
         : added.Reason.isEmpty() ? QCoreApplication::translate("TCanvasView", "Связь добавлена")
                                  : added.Reason);
  };

  // Enter shows the selected module's children, Backspace the level above.
  Canvas->OnKey = [this](int key, Qt::KeyboardModifiers) {
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && Document.Selected()) {
      Document.OpenModule(Document.Selected());
      return true;
    }
    return key == Qt::Key_Backspace && Document.Up();
  };
  connect(&Document, &TProjectDocument::LevelChanged, this, [this] {
    Canvas->SetLevel(Document.Level());
    ShowPath();
    Redraw();
  });
  connect(&Document, &TProjectDocument::ProjectChanged, this, [this] {
    Canvas->SetProject(Document.GetProject());
    Canvas->SetLevel(Document.Level());
    ShowPath();
    Canvas->SetSelectedLink(Document.SelectedLink());
    Redraw();
  });
  connect(&Document, &TProjectDocument::Refreshed, this, [this] {
    ShowPath();
    Canvas->SetSelectedLink(Document.SelectedLink());
    Redraw();
  });
  // A command that gives modules other values (a move, an edit) redraws only where they were and
  // are; any other change draws the level again.
  connect(&Document, &TProjectDocument::ModulesChanging, this,
          [this](const std::vector<std::shared_ptr<IModule>>& modules) {
            Changing = Canvas->ModulesArea(modules);
          });
  connect(&Document, &TProjectDocument::ModulesChanged, this, [this](const TChange& change) {
    ShowPath();
    Canvas->SetSelectedLink(Document.SelectedLink());
    if (!change.List && change.Added.empty() && change.Removed.empty() && !change.Changed.empty())
      RedrawChanged(change.Changed);
    else
      Redraw();
  });
  connect(&Document, &TProjectDocument::SelectionChanged, this, [this] {
    Canvas->SetSelectedLink(Document.SelectedLink());
    // Only the boxes that were selected and those that are now change colour.
    std::vector<std::shared_ptr<IModule>> changed = Document.Selection();
    for (const auto& weak : SelectionDrawn)
      if (auto module = weak.lock())
        changed.push_back(module);
    SelectionDrawn.assign(Document.Selection().begin(), Document.Selection().end());
    Canvas->RedrawModules(changed);
  });
}

QStringList TCanvasView::PathSteps() const {
  QStringList steps;
  TProject* project = Document.GetProject();
  if (!project)
    return steps;
  steps << ToQString(project->GetName());
  if (auto main = project->GetMainModule())
    steps << ToQString(main->GetName());
  for (const auto& module : Document.LevelPath())
    steps << ToQString(module->GetName());
  return steps;
}

void TCanvasView::ShowPath() {
  const QStringList steps = PathSteps();
  PathLabel->setVisible(!steps.isEmpty());
  // The project's and the main module's steps both lead to the main level.
  const int first = static_cast<int>(steps.size() - Document.LevelPath().size()) - 1;
  QStringList shown;
  for (int i = 0; i < steps.size(); ++i) {
    const QString text = steps[i].toHtmlEscaped();
    shown << (i + 1 < steps.size()
                  ? QString("<a href=\"%1\">%2</a>").arg(std::max(0, i - first)).arg(text)
                  : QString("<b>%1</b>").arg(text));
  }
  PathLabel->setText(shown.join(QString::fromUtf8(" ▸ ")));
}

void TCanvasView::Redraw() {
  ExtentKnown = false;
  // The whole picture shows the selection as it is now.
  SelectionDrawn.assign(Document.Selection().begin(), Document.Selection().end());
  // Without a project the canvas keeps what it showed last.
  if (Document.GetProject())
    Canvas->Redraw();
  if (Overview->isVisible())
    Overview->Refresh();
  UpdateView();
}

void TCanvasView::RedrawChanged(const std::vector<std::shared_ptr<IModule>>& modules) {
  ExtentKnown = false;
  const TRect before = Changing;
  Changing = {};
  Canvas->RedrawArea(before);
  Canvas->RedrawArea(Canvas->ModulesArea(modules));
  // Links the modules now stand on took other ways.
  Canvas->RedrawArea(Canvas->ReroutedArea());
  if (Overview->isVisible())
    Overview->Refresh();
  UpdateView();
}

QPoint TCanvasView::ZoomAnchor() const {
  const QPoint cursor = Canvas->mapFromGlobal(QCursor::pos());
  return Canvas->rect().contains(cursor) ? cursor : Canvas->rect().center();
}

void TCanvasView::ZoomIn() {
  Canvas->SetZoom(Canvas->GetZoom() * 1.25, ZoomAnchor());
}

void TCanvasView::ZoomOut() {
  Canvas->SetZoom(Canvas->GetZoom() / 1.25, ZoomAnchor());
}

void TCanvasView::ActualSize() {
  Canvas->SetZoom(1, ZoomAnchor());
}

void TCanvasView::Fit() {
  const TRect extent = Canvas->ProjectExtent();
  if (extent.Empty()) {
    Canvas->SetZoom(1, QPoint(0, 0));
    Canvas->SetOrigin({0, 0});
    return;
  }
  constexpr int Margin = 10;
  const double across = std::max(1, Canvas->width() - 2 * Margin);
  const double down = std::max(1, Canvas->height() - 2 * Margin);
  const double zoom = std::min({1.0, across / std::max(1, extent.Right - extent.Left),
                                down / std::max(1, extent.Bottom - extent.Top)});
  Canvas->SetZoom(zoom, QPoint(0, 0));
  // The extent in the middle of the canvas.
  const double width = Canvas->width() / Canvas->GetZoom();
  const double height = Canvas->height() / Canvas->GetZoom();
  Canvas->SetOrigin(
      {static_cast<std::int32_t>(std::floor((extent.Left + extent.Right - width) / 2)),
       static_cast<std::int32_t>(std::floor((extent.Top + extent.Bottom - height) / 2))});
}

void TCanvasView::PlaceOverview() {
  const QSize size(std::min(200, std::max(60, Canvas->width() / 4)),
                   std::min(140, std::max(40, Canvas->height() / 4)));
  Overview->setGeometry(QRect(
      QPoint(Canvas->width() - size.width() - 8, Canvas->height() - size.height() - 8), size));
}

void TCanvasView::ShowOverview(bool shown) {
  Overview->setVisible(shown);
  if (shown)
    Overview->Refresh();
}

bool TCanvasView::eventFilter(QObject* watched, QEvent* event) {
  if (watched != Canvas)
    return QWidget::eventFilter(watched, event);
  if (event->type() == QEvent::Resize) {
    PlaceOverview();
    return false;
  }
  if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
    auto* drag = static_cast<QDragMoveEvent*>(event);
    if (!drag->mimeData()->hasFormat(TPalette::EntryMimeType))
      return false;
    drag->acceptProposedAction();
    return true;
  }
  if (event->type() == QEvent::Drop) {
    auto* drop = static_cast<QDropEvent*>(event);
    if (!drop->mimeData()->hasFormat(TPalette::EntryMimeType))
      return false;
    drop->acceptProposedAction();
    if (OnDropEntry)
      OnDropEntry(QString::fromUtf8(drop->mimeData()->data(TPalette::EntryMimeType)),
                  Canvas->ToProject(drop->position().toPoint()));
    return true;
  }
  return false;
}

TPoint TCanvasView::ViewCentre() const {
  return Canvas->ToProject(QPoint(Canvas->width() / 2, Canvas->height() / 2));
}

void TCanvasView::CenterOn(const std::shared_ptr<IModule>& module) {
  if (!module)
    return;
  const TPoint at = module->GetPosition();
  const double zoom = Canvas->GetZoom();
  Canvas->SetOrigin({static_cast<std::int32_t>(std::lround(at.X - Canvas->width() / zoom / 2)),
                     static_cast<std::int32_t>(std::lround(at.Y - Canvas->height() / zoom / 2))});
}

void TCanvasView::UpdateView() {
  const double zoom = Canvas->GetZoom();
  ZoomLabel->setVisible(true);
  ZoomLabel->setText(
      QCoreApplication::translate("TCanvasView", "Масштаб: %1 %").arg(std::lround(zoom * 100)));
  // The bars reach over the modules' extent and wherever the view is now.
  const TPoint origin = Canvas->GetOrigin();
  const int pageX = std::max(1, static_cast<int>(Canvas->width() / zoom));
  const int pageY = std::max(1, static_cast<int>(Canvas->height() / zoom));
  // The modules' extent is measured again only after they changed.
  if (!ExtentKnown) {
    Extent = Canvas->ProjectExtent();
    ExtentKnown = true;
  }
  TRect extent = Extent;
  if (extent.Empty())
    extent = {0, 0, 0, 0};
  UpdatingScroll = true;
  ScrollX->setRange(std::min({0, extent.Left, origin.X}),
                    std::max({0, extent.Right - pageX, origin.X}));
  ScrollY->setRange(std::min({0, extent.Top, origin.Y}),
                    std::max({0, extent.Bottom - pageY, origin.Y}));
  ScrollX->setPageStep(pageX);
  ScrollY->setPageStep(pageY);
  ScrollX->setSingleStep(std::max(1, pageX / 20));
  ScrollY->setSingleStep(std::max(1, pageY / 20));
  ScrollX->setValue(origin.X);
  ScrollY->setValue(origin.Y);
  UpdatingScroll = false;
  Overview->update();
}
