#pragma once

#include <QString>

class TProject;

// Writes the picture of the project's modules to a file: PNG or SVG, chosen by the file's
// extension. The picture reaches from the origin (or the modules' top left, when they lie above or
// left of it) to beyond the farthest module, so that a module stands where it stands on the
// canvas. False, with the reason, when the type is unknown or the file cannot be written.
bool ExportPicture(TProject& project, const QString& file, QString* reason = nullptr);
