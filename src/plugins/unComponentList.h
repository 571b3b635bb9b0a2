#pragma once

#include "log/unLogGlobals.h"
#include "plugins/unComponent.h"
#include "plugins/unProbe.h"

#include <memory>
#include <string>
#include <vector>

// The read-only view of the registry.
class IComponentList {
public:
  virtual ~IComponentList() = default;
  virtual std::int32_t GetCount() const = 0;
  // Null outside 0 .. count-1.
  virtual IComponent* GetItem(std::int32_t index) const = 0;
};

// The registry: one component for every plug-in library of a folder that passed its probe, in
// the order of the files' names. Owns its components.
class TComponentList : public IComponentList {
public:
  TComponentList();
  TComponentList(const TComponentList&) = delete;
  TComponentList& operator=(const TComponentList&) = delete;
  ~TComponentList() override;

  std::int32_t GetCount() const override { return Count(); }
  IComponent* GetItem(std::int32_t index) const override { return GetComponent(index); }

  // Rebuilds the registry from the ".so" files of Path. The probes run in child processes, several
  // at once; every component obtained before is gone afterwards.
  void Refresh();
  // Registers one library file (a full path) when it passes its probe; false, with the cause
  // logged, when it does not.
  bool AddComponent(const std::string& fileName);
  // Disposes of every component.
  void Clear();
  std::int32_t Count() const { return static_cast<std::int32_t>(Items.size()); }
  // Null outside 0 .. Count-1.
  TComponent* GetComponent(std::int32_t index) const;

  // The regular files ending in ".so" directly in the folder, sorted by name; empty when the
  // folder cannot be read.
  static std::vector<std::string> LibraryFiles(const std::string& folder);

  TAddToLog OnLog;
  // The folder to scan, with its trailing '/'.
  std::string Path;
  // The program that probes one library ("zu-probe" beside the executable by default); when it
  // is missing, a forked copy of this process probes.
  std::string ProbeProgram;
  // How long one probe may take.
  int ProbeTimeoutMs = 5000;
  // How many probes run at once.
  unsigned ProbeParallel;

  // What the last Refresh or AddComponent skipped: the file and the cause, in order.
  struct TSkipped {
    std::string File;
    std::string Cause;
  };
  const std::vector<TSkipped>& GetSkipped() const { return Skipped; }

private:
  void Log(TLogTypeMessage type, const std::string& format, const TLogArgs& args) const;
  // Logs the opening message and registers the file when its probe passed.
  bool Register(const std::string& fileName, const TProbeResult& probe);

  std::vector<std::unique_ptr<TComponent, TComponentDisposer>> Items;
  std::vector<TSkipped> Skipped;
};
