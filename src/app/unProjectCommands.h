#pragma once

#include "log/unLogGlobals.h"
#include "platform/unFileIdentity.h"

#include <QString>
#include <functional>
#include <string>

class IMainDialogs;
class TComponentList;
class TProjectDocument;

// True when the file is there and holds a project (its root element is the project's).
bool HoldsProject(const std::u16string& file);

// The project commands of the File menu, with the questions and dialogs they ask: they make,
// open, save and export the document's project, and offer the work killed editors left.
class TProjectCommands {
public:
  // The projects log to the program's log.
  TProjectCommands(TProjectDocument& document, IMainDialogs& dialogs, TComponentList* components,
                   TAddToLog log);

  void NewProject();
  void OpenProject();
  // Opens the file (after asking about unsaved work); false when nothing was opened. A file that
  // cannot be loaded shows the load error and leaves the open project as it was.
  bool OpenFile(const QString& file);
  // Saves to the project's file, or asks for one when it has none; false when nothing was saved.
  bool SaveProject();
  // Saves to a chosen file, which becomes the project's file; false when nothing was saved.
  bool SaveProjectAs();
  // The project's picture as PNG or SVG, in a chosen file.
  void ExportPicture();
  // Before unsaved work is dropped: asks whether to save it; false when the command must stop.
  bool ConfirmDiscard();
  // At the start: offers, newest first, the work editors that no longer run left, naming the
  // project and when it was kept; true when one was restored. Declined work is removed.
  bool OfferRecovery();

  // Loads the project's file again in place of the work here; false when it cannot.
  bool Reload();
  // The project's file was written by another program: offers to load it again (once for each
  // new state of the file; nothing when it holds what this editor knows).
  void FileChangedOnDisk();

  // The program is ending without questions: the unsaved work was kept aside, nothing is asked
  // or removed any more.
  bool Ending = false;

  // Told the full name of every file a project was opened from or saved to.
  std::function<void(const QString& file)> OnFileUsed;

private:
  // The answers to a file changed on disk, as AskChangedOnDisk gives them.
  enum class TOnDisk { Overwrite, SaveAs, Reload, Cancel };
  TOnDisk AskChangedOnDisk(const QString& question);
  void FileUsed(const std::u16string& file);
  // Loads the file as the document's project; false, with the error shown, when it cannot.
  bool Load(const QString& file);
  // Saves the project to the file; false, with the error and its reason shown, when it fails.
  bool SaveTo(const std::u16string& file);

  TProjectDocument& Document;
  IMainDialogs& Dialogs;
  TComponentList* Components;
  TAddToLog Log;
  // The state of the file last offered for loading again.
  TFileIdentity Offered;
};
