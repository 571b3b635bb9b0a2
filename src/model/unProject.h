#pragma once

#include "log/unLogGlobals.h"
#include "model/unIModule.h"
#include "platform/unResult.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

class TDragShift;
class TKvenXmlNode1;
class TModule;
struct TLink;

// The root element of a project file.
inline constexpr std::u16string_view ProjectRootName = u"Kven_ZU_Programming_Project";

// A project: a name, the file it belongs to and one main module named "Main".
class TProject : public IProject {
public:
  // The registry is not owned. A non-empty file name is loaded at once; the result is not reported.
  TProject(IComponentList* components, TAddToLog onLog, std::u16string fileName,
           std::u16string name);
  ~TProject() override;

  IComponentList* GetComponents() const override { return Components; }
  // Releases the whole module tree; afterwards GetMainModules is null.
  void Close();
  // The main module's child list, or null after Close.
  std::shared_ptr<IModuleList> GetMainModules() const;
  std::shared_ptr<TModule> GetMainModule() const { return MainModule; }
  const std::u16string& GetName() const { return Name; }
  void SetName(const std::u16string& name) { Name = name; }
  // The break conditions a run pauses at, as the user wrote them, in their order.
  const std::vector<std::u16string>& GetBreaks() const { return Breaks; }
  void SetBreaks(std::vector<std::u16string> breaks) { Breaks = std::move(breaks); }
  // Draws the main module's children and their links; failures while drawing are swallowed.
  void Draw(IComponentList* components, TCanvas& canvas);
  // The same, with one link drawn as selected (none for null).
  void Draw(TCanvas& canvas, const TLink* selected);
  // Writes the whole tree to the file (an empty name means FileName); fails, with the reason,
  // when there is no name or the file cannot be written. FileName does not change.
  // Adds elements of the caller's own to the root before it is written.
  using TSaveExtra = std::function<void(TKvenXmlNode1& root)>;
  TResult Save(const std::u16string& fileName, const TSaveExtra& extra = {});
  // Reads the file (an empty name means FileName) into the project; fails, with the reason, when
  // there is no name, the file cannot be read or does not parse, or it describes absurdly many
  // entries. The reasons go to OnLog as well.
  TResult Load(const std::u16string& fileName);

  std::u16string FileName;
  // Set by every change the user makes, cleared by a successful open or save.
  bool Modified = false;
  // Set by Load when the file's root element is not a project's: such a file loads, but saving
  // the project must go to a file the user chooses, never over the file it came from.
  bool ForeignFile = false;
  TAddToLog OnLog;

private:
  TResult SaveTo(const std::u16string& file, const TSaveExtra& extra) const;
  TResult LoadFrom(const std::u16string& file);
  // Passes the XML documents' messages on to OnLog; false without it or when it fails.
  bool ForwardLog(TLogGroupMessage group, TLogTypeMessage type, const std::string& format,
                  const TLogArgs& args) const;
  // ForwardLog as a handler for the documents of Save and Load.
  TAddToLog Forwarder() const;

  IComponentList* Components;
  std::shared_ptr<TModule> MainModule;
  std::u16string Name;
  std::vector<std::u16string> Breaks;
};

// Draws one list of modules with its links below them, one link as selected (none for null), the
// modules of a drag shift (if any) where the drag shows them; failures while drawing are
// swallowed.
void DrawLevel(TCanvas& canvas, IModuleList& modules, const TLink* selected,
               const TDragShift* shift = nullptr);
