#include "plugins/unComponentList.h"

#include "platform/unExeFolder.h"
#include "platform/unStrings.h"

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>
#include <thread>

namespace {

const std::string ClassName = "TComponentList";

} // namespace

TComponentList::TComponentList()
    : ProbeProgram(ExeFolder() + "zu-probe"),
      ProbeParallel(std::max(4u, 2 * std::thread::hardware_concurrency())) {}

TComponentList::~TComponentList() {
  Clear();
}

void TComponentList::Log(TLogTypeMessage type, const std::string& format,
                         const TLogArgs& args) const {
  CallLogHandler(OnLog, lgGeneral, type, format, args);
}

TComponent* TComponentList::GetComponent(std::int32_t index) const {
  return index >= 0 && index < Count() ? Items[static_cast<std::size_t>(index)].get() : nullptr;
}

void TComponentList::Clear() {
  // In order, each component unloading its library.
  for (auto& item : Items)
    item.reset();
  Items.clear();
}

std::vector<std::string> TComponentList::LibraryFiles(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (!dir)
    return names;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.size() <= 3 || !name.ends_with(".so"))
      continue;
    struct stat st {};
    if (fstatat(dirfd(dir), entry->d_name, &st, 0) == 0 && S_ISREG(st.st_mode))
      names.push_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

bool TComponentList::Register(const std::string& fileName, const TProbeResult& probe) {
  Log(ltInformation, "Добавление компонента \"%s\" <%s.%s>",
      {fileName, ClassName, std::string("AddComponent")});
  auto skip = [&](const std::string& cause) {
    Log(ltError, "Компонент \"%s\" пропущен: %s <%s.%s>",
        {fileName, cause, ClassName, std::string("AddComponent")});
    Skipped.push_back({fileName, cause});
    return false;
  };
  if (!probe.Ok)
    return skip(probe.Cause);
  std::unique_ptr<TComponent, TComponentDisposer> component(new TComponent);
  component->GetLibrary().SetFileName(Utf8ToUtf16(fileName));
  std::string cause;
  // It passed in the probe's process; here it may still behave otherwise.
  if (!component->Connect(&cause))
    return skip(cause);
  Items.push_back(std::move(component));
  return true;
}

bool TComponentList::AddComponent(const std::string& fileName) {
  Skipped.clear();
  const std::vector<TProbeResult> probe = ProbeApart({fileName}, ProbeProgram, ProbeTimeoutMs, 1);
  return Register(fileName, probe.front());
}

void TComponentList::Refresh() {
  Clear();
  Skipped.clear();
  Log(ltInformation, "Обновление списка компонент Path=\"%s\" <%s.%s>",
      {Path, ClassName, std::string("Refresh")});
  try {
    std::vector<std::string> files = LibraryFiles(Path);
    if (files.empty())
      return;
    for (std::string& file : files)
      file = Path + file;
    const std::vector<TProbeResult> probes =
        ProbeApart(files, ProbeProgram, ProbeTimeoutMs, ProbeParallel);
    for (std::size_t i = 0; i < files.size(); ++i)
      Register(files[i], probes[i]);
  } catch (...) {
  }
  Log(ltInformation, "Обновление списка компонент закончено <%s.%s>",
      {ClassName, std::string("Refresh")});
}
