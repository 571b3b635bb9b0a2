#pragma once

#include <QString>
#include <memory>
#include <string>
#include <vector>

class IModuleList;
class TProject;

// Writes the picture of the project's modules to a file: PNG or SVG, chosen by the file's
// extension. The picture reaches from the origin (or the modules' top left, when they lie above or
// left of it) to beyond the farthest module, so that a module stands where it stands on the
// canvas. False, with the reason, when the type is unknown or the file cannot be written.
bool ExportPicture(TProject& project, const QString& file, QString* reason = nullptr);

// The same for one list of modules of the project (null: an empty picture).
bool ExportLevelPicture(TProject& project, IModuleList* level, const QString& file,
                        QString* reason = nullptr);

// One level of a project: the names of the main module and of the modules down to the list, and
// the list.
struct TLevel {
  std::vector<std::u16string> Path;
  std::shared_ptr<IModuleList> Modules;
};
// The main level and every list of modules that has some, each before the levels below it.
std::vector<TLevel> ProjectLevels(const TProject& project);
// "02 Main - Outer.png": the level's number (of count, padded), its path, the suffix; characters
// a file name cannot hold become '_'.
QString LevelFileName(const TLevel& level, std::size_t number, std::size_t count,
                      const QString& suffix);
// Writes a picture of every level into the folder (made when missing), each named by
// LevelFileName; false, with the reason, at the first that fails.
bool ExportEveryLevel(TProject& project, const QString& folder, const QString& suffix,
                      QString* reason = nullptr);
