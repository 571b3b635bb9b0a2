#pragma once

#include "log/unLogGlobals.h"
#include "plugins/unComponent.h"
#include "plugins/unComponentScan.h"

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

  // Rebuilds the registry from the ".so" files of Path and then MorePaths: BeginScan, Run,
  // FinishScan. Every component obtained before is gone afterwards.
  void Refresh();
  // Logs the opening message and prepares a scan of Path: the files, and the answers the cache
  // holds for those that have not changed. The registry is left as it is until FinishScan.
  std::unique_ptr<TComponentScan> BeginScan();
  // Replaces the components with those of the finished scan, logging each file in order, and
  // keeps the answers in the cache.
  void FinishScan(TComponentScan& scan);
  // Registers one library file (a full path) when a host can describe it; false, with the cause
  // logged, when it cannot.
  bool AddComponent(const std::string& fileName);
  // Disposes of every component.
  void Clear();
  std::int32_t Count() const { return static_cast<std::int32_t>(Items.size()); }
  // Null outside 0 .. Count-1.
  TComponent* GetComponent(std::int32_t index) const;
  // The component registered from the library file, or null.
  TComponent* ComponentOfFile(const std::u16string& fileName) const;

  // The regular files ending in ".so" directly in the folder, sorted by name; empty when the
  // folder cannot be read.
  static std::vector<std::string> LibraryFiles(const std::string& folder);

  TAddToLog OnLog;
  // The folder to scan, with its trailing '/'.
  std::string Path;
  // Further folders scanned after Path, in order (with their trailing '/'); missing ones give
  // nothing.
  std::vector<std::string> MorePaths;
  // The component host ("zu-probe" beside the executable by default); when it is missing, every
  // file is skipped saying so.
  std::string ProbeProgram;
  // How long one file may take.
  int ProbeTimeoutMs = 5000;
  // How many hosts run at once.
  unsigned ProbeParallel;
  // Relay the library wrapper's messages into the log.
  bool LogWrapper = false;
  // Where the hosts' answers are kept between scans; empty: nowhere.
  std::string CacheFile;

  // What the last Refresh or AddComponent skipped: the file and the cause, in order.
  struct TSkipped {
    std::string File;
    std::string Cause;
  };
  const std::vector<TSkipped>& GetSkipped() const { return Skipped; }

private:
  void Log(TLogTypeMessage type, const std::string& format, const TLogArgs& args) const;
  // Logs the opening message and registers the file when its probe passed.
  bool Register(const std::string& fileName, const TComponentAnswer& answer);
  TDescribeOptions Options() const;
  // Path, then the further folders not already named.
  std::vector<std::string> Folders() const;

  std::vector<std::unique_ptr<TComponent, TComponentDisposer>> Items;
  std::vector<TSkipped> Skipped;
  TComponentCache Cache;
  // The file the cache was last read from.
  std::string CacheRead;
};
