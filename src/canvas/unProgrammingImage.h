#pragma once

#include "canvas/unImageCanvas.h"
#include "canvas/unViewCanvas.h"
#include "model/unDragShift.h"

#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class IModule;
class IModuleList;
class TProject;
struct TRect;
struct TLink;

// The programming canvas: a retained picture of the project's modules as seen through a view
// (a zoom and the project point at the top left), redrawn as the user selects, drags and edits
// them. Mouse positions are turned into project coordinates; the model is drawn through the
// view; a drag redraws only the areas the module left and entered.
class TProgrammingImage : public QWidget {
  Q_OBJECT
public:
  using TModuleEvent = std::function<void(const std::shared_ptr<IModule>&)>;

  explicit TProgrammingImage(QWidget* owner = nullptr);

  // The project is not owned; it must stay alive until it is replaced. Nothing is drawn.
  void SetProject(TProject* project);
  TProject* GetProject() const { return Project; }
  // The module list shown (null: the main module's); it must belong to the project.
  void SetLevel(std::shared_ptr<IModuleList> level);
  // The module list shown; null without a project.
  std::shared_ptr<IModuleList> ShownLevel() const { return Modules(); }
  // Blanks the picture, draws its black frame and the project's modules.
  void Redraw();
  // Draws again the part of the picture that shows the project rectangle, as Redraw would.
  void RedrawArea(TRect area);
  // Draws again the part of the picture that shows the modules (their selection changed).
  void RedrawModules(const std::vector<std::shared_ptr<IModule>>& modules);
  // Where the modules and their links are drawn, in project coordinates.
  TRect ModulesArea(const std::vector<std::shared_ptr<IModule>>& modules);
  const QImage& Picture() const { return Image; }
  // Where links were routed anew since this was last asked (their old and new ways), in project
  // coordinates: a move may route links that are not its modules' around the boxes moved.
  TRect ReroutedArea();

  // The view: zoom 1 shows project pixels as picture pixels.
  double GetZoom() const { return View.GetZoom() / Dpr; }
  TPoint GetOrigin() const { return View.GetOrigin(); }
  // Zooms keeping the project point under the picture pixel where it is; the zoom stays within
  // MinZoom .. MaxZoom.
  void SetZoom(double zoom, QPoint anchor);
  void SetOrigin(TPoint origin);
  // The project point shown at a picture pixel.
  TPoint ToProject(QPoint pixel) const;
  // The modules' extent in project coordinates (empty without modules).
  TRect ProjectExtent() const;
  static constexpr double MinZoom = 0.1, MaxZoom = 8;

  // The link drawn as selected (wider); null for none.
  void SetSelectedLink(std::shared_ptr<TLink> link);
  // The link whose curve passes within LinkPickPixels of the pixel (the nearest), or null.
  std::shared_ptr<TLink> LinkAt(QPoint pixel) const;
  static constexpr int LinkPickPixels = 4;
  // What a gesture on a link asks of its route.
  enum class TRouteEdit { MoveSegment, MoveBend, AddBend, RemoveBend };
  // A drag of a link's segment or bend point, or a double click on it, asks for these bend
  // points (the document checks and applies them).
  std::function<void(const std::shared_ptr<TLink>&, std::vector<TPoint>, TRouteEdit)> OnLinkRoute;
  // A bend point is taken within this many pixels.
  static constexpr int BendPickPixels = 6;
  // While a segment or a bend of a link is dragged: the bend points it would get (else empty).
  const std::vector<TPoint>& RouteDragPoints() const { return RouteDrag.Points; }
  // While a wire is drawn from an output: the inputs it may be dropped on.
  bool IsConnecting() const { return Connecting; }

  // A parameter mark found at a picture pixel.
  struct TMarkHit {
    std::shared_ptr<IModule> Module; // null when there is none
    bool Output = false;
    std::int32_t Index = -1;
  };
  // The mark within PickPixels of the pixel (the nearest), of the module whose box the pixel is
  // on or of a module above it: a box hides the marks of the modules below it.
  TMarkHit MarkAt(QPoint pixel) const;
  // The text a mark's tool tip shows: the parameter's title, description and type.
  static QString MarkText(const TMarkHit& hit);
  static constexpr int PickPixels = 8;

  // What the mouse handlers do, with positions in picture pixels. The canvas changes nothing
  // itself: it tells its owner what a gesture asks for, and draws a drag under way as an offset
  // until the owner moves the modules.
  // A press on a module selects it (one inside a selection of several keeps them all for a drag,
  // and selects it alone when released without moving); on an output's mark it selects the mark's
  // module and starts a wire; on empty canvas it selects none and starts a band. With `add`
  // (Ctrl) a module joins the selection or leaves it, and a band adds what it touches.
  void MouseDown(int x, int y, bool add = false);
  void MouseMove(int x, int y);
  void MouseUp();
  // A double click at the pixel asks to edit the module there.
  void DblClick(int x, int y);

  // Select this module alone (null: none).
  TModuleEvent OnSelect;
  // Ctrl+press on a module: it joins the selection or leaves it.
  TModuleEvent OnToggle;
  // A band touched these modules: they join the selection.
  std::function<void(const std::vector<std::shared_ptr<IModule>>&)> OnBandSelect;
  // The selected modules of the list shown, when the owner knows them (else the marks are read).
  std::function<std::vector<std::shared_ptr<IModule>>()> SelectionOf;
  TModuleEvent OnModuleEdit;
  // A drag ended: the modules it moved and by how much.
  std::function<void(const std::vector<std::shared_ptr<IModule>>&, TPoint delta)> OnModulesDrop;
  // An arrow key asks to move the selected module by the offset.
  std::function<void(const std::shared_ptr<IModule>&, TPoint delta)> OnModuleKeyMove;
  // The arrow keys ask to move the selected module by 1 pixel, 10 with Shift; false for any
  // other key, without a selected module, or while read-only.
  bool KeyMove(int key, bool shift);
  // A press on a link selects it.
  std::function<void(const std::shared_ptr<TLink>&)> OnLinkSelect;
  // A wire dropped on an input: the link the user asks for (the document checks and adds it).
  std::function<void(const std::shared_ptr<IModule>& from, const std::u16string& output,
                     const std::shared_ptr<IModule>& to, const std::u16string& input)>
      OnLinkDrop;
  // A wire dropped where no link can go, with the reason for the user.
  std::function<void(const std::u16string& reason)> OnLinkRefused;
  // A key the canvas does not use itself (the arrows move modules); true when it was taken.
  std::function<bool(int key, Qt::KeyboardModifiers modifiers)> OnKey;
  // After the zoom or the origin changed.
  std::function<void()> OnViewChange;

  // Read-only, presses still select modules and links, but nothing moves, no wire starts, no key
  // moves a module and a double click edits nothing; the reason is told through OnReadOnly.
  void SetReadOnly(bool readOnly);
  bool IsReadOnly() const { return ReadOnly; }
  std::function<void()> OnReadOnly;
  // The value a link carries, written at its middle; empty for none. Unset: no values.
  std::function<std::u16string(const TLink&)> LinkValue;
  // The values are those of a run that ended: drawn grey.
  bool LinkValuesStopped = false;
  // The whole value of a module's output, for tool tips (empty: none).
  std::function<std::u16string(const IModule&, const std::u16string&)> OutputValue;
  // The output a mark or a link at the pixel stands for: its module (null for none) and name.
  std::pair<std::shared_ptr<IModule>, std::u16string> OutputAt(QPoint pixel) const;
  // A right click: where (on the screen), and the output under it (null module: none).
  std::function<void(QPoint, const std::shared_ptr<IModule>&, const std::u16string&)> OnContextMenu;

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool event(QEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

private:
  // Gives the picture the control's size; true when it had to change.
  bool FitPicture();
  // A point of the control (its units) on the picture's pixels, and back.
  QPoint ToPixel(QPoint unit) const;
  QPointF ToUnits(TPoint pixel) const;
  // The picture's pixels per unit of the control (the screen's ratio).
  double Dpr = 1;
  // The canvas font at the view's zoom.
  void ApplyFont();
  // Draws the frame and the project within the canvas's current clip.
  void DrawContent();
  // The modules' list shown, or null.
  std::shared_ptr<IModuleList> Modules() const;
  // Everything a module's move changes on the picture: its box and its links, where the drag
  // shift shows them.
  TRect MovedArea(const std::shared_ptr<IModule>& module, const TDragShift& shift);
  // The box and links of every module a drag moves, where the shift shows them.
  TRect DragArea(const TDragShift& shift);
  // The module whose mark or box is at the pixel (the mark's first), or null.
  std::shared_ptr<IModule> ModuleAt(QPoint pixel) const;
  void AskSelect(const std::shared_ptr<IModule>& module);
  // The rubber band: from where the press was to the mouse, in project coordinates.
  void StartBand(TPoint at);
  TRect Band() const;
  void DrawBand();
  // A press on a link: a drag of its bend point or its segment may start.
  void StartRouteDrag(const std::shared_ptr<TLink>& link, QPoint pixel);
  // The route drag's bend points for the mouse at the pixel.
  std::vector<TPoint> RouteDragAt(QPoint pixel) const;
  // The bend point of the link within BendPickPixels of the pixel, or -1.
  int BendAt(const TLink& link, QPoint pixel) const;
  // A double click on a link: a bend is removed there, or added.
  bool DblClickLink(QPoint pixel);
  // The wire being drawn: from the output's mark to the mouse.
  std::vector<TPoint> Wire() const;
  // Starts a wire from an output mark; the inputs that may take it are found at once.
  void StartWire(const TMarkHit& from);
  void EndWire(QPoint pixel);

  bool SkipNextPress = false;
  bool Dragging = false;
  // The modules a drag moves, the project point pressed and the offset shown.
  std::vector<std::shared_ptr<IModule>> DragModules;
  TPoint DragAt;
  TDragShift Shift;
  // The module pressed, and whether it was in the selection then (released without a move, it
  // becomes the selection alone).
  std::shared_ptr<IModule> Pressed;
  bool PressedInSelection = false;
  bool Banding = false;
  TPoint BandFrom, BandTo;
  bool Panning = false;
  QPoint PanFrom;
  std::shared_ptr<TLink> SelectedLink;
  // A drag of a link's route: the link, its corners when pressed, the segment or bend taken,
  // where the press was (project) and the points the route would get.
  struct TRouteDrag {
    std::shared_ptr<TLink> Link;
    std::vector<TPoint> Corners;
    std::size_t Segment = 0;
    int Bend = -1;
    TPoint From;
    bool Moved = false;
    std::vector<TPoint> Points;
  } RouteDrag;
  bool Connecting = false;
  QPoint LastPixel, PressPixel;
  TMarkHit WireFrom;
  TPoint WireEnd;
  // The inputs the wire may be dropped on: the module and the input's index.
  std::vector<std::pair<std::shared_ptr<IModule>, std::int32_t>> Compatible;
  TProject* Project = nullptr;
  std::shared_ptr<IModuleList> Level;
  QImage Image;
  TImageCanvas Canvas;
  TViewCanvas View{Canvas};
  bool ReadOnly = false;
};
