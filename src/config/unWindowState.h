#pragma once

#include <QList>
#include <QRect>

class QWidget;
class TKvenXmlNode1;

// The height of a title bar, and how much of its width must be on a screen to take hold of it.
inline constexpr int TitleBarHeight = 24;
inline constexpr int MinTitleGrip = 100;

// Window bounds (any values at all) brought onto the screens' available areas: no larger than the
// area that shows most of them (the first when none does), and moved fully into it when too little
// of the title bar would be on any area.
QRect BoundsOnScreen(QPoint position, QSize size, const QList<QRect>& areas);

// A window whose title is more than its caption (the main window names its project there) keeps
// the caption in this property; the caption is read and written there instead of the title.
inline constexpr const char* CaptionProperty = "zuCaption";

// Applies "Left", "Top", "Width", "Height", "WindowState" (0 normal, 1 minimised, 2 maximised;
// other values count as normal) and "Caption" from the element to the window: each value only
// when its element is there and, for numbers, is wholly an integer. Left and Top place the
// window's frame; Width and Height are its size inside the frame, which the toolkit knows before
// the window is shown, so that what is saved comes back exactly. Bounds are brought onto the
// screens (BoundsOnScreen) and, when that changed them, written back into the element.
void LoadWindowState(QWidget& window, TKvenXmlNode1& element);
// Writes them: the bounds only while the window is not maximised, so that its normal bounds
// survive; the state and the caption always.
void SaveWindowState(const QWidget& window, TKvenXmlNode1& element);
