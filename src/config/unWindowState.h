#pragma once

class QWidget;
class TKvenXmlNode1;

// Applies "Left", "Top", "Width", "Height", "WindowState" (0 normal, 1 minimised, 2 maximised;
// other values count as normal) and "Caption" from the element to the window: each value only
// when its element is there and, for numbers, is wholly an integer. Left and Top place the
// window's frame; Width and Height are its size inside the frame, which the toolkit knows before
// the window is shown, so that what is saved comes back exactly.
void LoadWindowState(QWidget& window, const TKvenXmlNode1& element);
// Writes them: the bounds only while the window is not maximised, so that its normal bounds
// survive; the state and the caption always.
void SaveWindowState(const QWidget& window, TKvenXmlNode1& element);
