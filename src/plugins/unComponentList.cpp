#include "plugins/unComponentList.h"

#include "platform/unExeFolder.h"
#include "platform/unStrings.h"
#include "plugins/unScanJournal.h"

#include <algorithm>
#include <dirent.h>
#include <filesystem>
#include <sys/stat.h>
#include <thread>
#include <unordered_set>

namespace {

const std::string ClassName = "TComponentList";
const std::string KilledTheAsker =
    "его проверка завершила программу, которая его проверяла; он пропускается, пока не изменится";

} // namespace

TComponentList::TComponentList()
    : ProbeProgram(ExeFolder() + "zu-probe"),
      ProbeParallel(std::max(8u, 4 * std::thread::hardware_concurrency())) {}

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

TComponent* TComponentList::ComponentOfFile(const std::u16string& fileName) const {
  for (const auto& item : Items)
    if (item->FileName == fileName)
      return item.get();
  return nullptr;
}

TDescribeOptions TComponentList::Options() const {
  TDescribeOptions options;
  options.Helper = ProbeProgram;
  options.TimeoutMs = ProbeTimeoutMs;
  options.Parallel = ProbeParallel;
  options.LogWrapper = LogWrapper;
  return options;
}

bool TComponentList::Register(const std::string& fileName, const TComponentAnswer& answer) {
  Log(ltInformation, "Добавление компонента \"%s\" <%s.%s>",
      {fileName, ClassName, std::string("AddComponent")});
  for (const THostLogEntry& entry : answer.Log)
    Log(entry.Type, "%s", {entry.Text});
  std::unique_ptr<TComponent, TComponentDisposer> component(new TComponent);
  std::string cause;
  if (!component->Take(Utf8ToUtf16(fileName), answer, &cause)) {
    Log(ltError, "Компонент \"%s\" пропущен: %s <%s.%s>",
        {fileName, cause, ClassName, std::string("AddComponent")});
    Skipped.push_back({fileName, cause});
    return false;
  }
  Items.push_back(std::move(component));
  return true;
}

bool TComponentList::AddComponent(const std::string& fileName) {
  Skipped.clear();
  TDescribeOptions options = Options();
  options.Parallel = 1;
  return Register(fileName, DescribeApart({fileName}, options).front());
}

std::unique_ptr<TComponentScan> TComponentList::BeginScan() {
  Log(ltInformation, "Обновление списка компонент Path=\"%s\" <%s.%s>",
      {Path, ClassName, std::string("Refresh")});
  auto scan = std::make_unique<TComponentScan>();
  scan->Options = Options();
  scan->JournalOf = CacheFile;
  if (CacheFile != CacheRead) {
    std::error_code ec;
    if (!Cache.Load(CacheFile) && std::filesystem::exists(CacheFile, ec))
      Log(ltWarning, "Кэш компонентов \"%s\" не прочитан: он повреждён или больше %d МиБ <%s.%s>",
          {CacheFile, static_cast<std::int64_t>(TComponentCache::MaxFileBytes >> 20), ClassName,
           std::string("Refresh")});
    CacheRead = CacheFile;
  }
  // A file that was the only one asked when the program asking was killed is not asked again
  // until it changes; several under way at such an end are asked one at a time.
  std::vector<std::string> suspects;
  bool blamed = false;
  for (const std::vector<std::string>& left : TScanJournal::TakeLeft(CacheFile)) {
    if (left.size() > 1) {
      for (const std::string& file : left)
        Log(ltWarning,
            "Файл \"%s\" проверялся, когда программа, которая его проверяла, завершилась; он "
            "проверяется отдельно <%s.%s>",
            {file, ClassName, std::string("Refresh")});
      suspects.insert(suspects.end(), left.begin(), left.end());
      continue;
    }
    TFileStamp stamp;
    if (!StampOf(left.front(), stamp))
      continue;
    Log(ltError,
        "Проверка файла \"%s\" завершила программу, которая его проверяла; файл пропускается, "
        "пока он не изменится <%s.%s>",
        {left.front(), ClassName, std::string("Refresh")});
    Cache.Put(left.front(), stamp, FailedAnswer(KilledTheAsker));
    blamed = true;
  }
  if (blamed && !Cache.Save(CacheFile))
    Log(ltError, "Не удалось сохранить кэш компонентов \"%s\" <%s.%s>",
        {CacheFile, ClassName, std::string("Refresh")});
  for (const std::string& folder : Folders())
    for (const std::string& name : LibraryFiles(folder)) {
      const std::string file = folder + name;
      TFileStamp stamp;
      const bool stamped = StampOf(file, stamp);
      const TComponentAnswer* kept =
          stamped && !CacheFile.empty() ? Cache.Find(file, stamp) : nullptr;
      scan->Files.push_back(file);
      scan->Stamps.push_back(stamp);
      scan->Stamped.push_back(stamped);
      scan->Answers.push_back(kept ? *kept : TComponentAnswer{});
      scan->Cached.push_back(kept != nullptr);
      scan->FromCache += kept != nullptr;
      if (!kept && std::find(suspects.begin(), suspects.end(), file) != suspects.end())
        scan->Suspects.push_back(scan->Files.size() - 1);
    }
  return scan;
}

void TComponentList::FinishScan(TComponentScan& scan) {
  Clear();
  Skipped.clear();
  if (scan.Files.empty())
    return;
  bool changed = false;
  for (std::size_t i = 0; i < scan.Files.size(); ++i) {
    Register(scan.Files[i], scan.Answers[i]);
    if (!CacheFile.empty() && !scan.Cached[i] && scan.Stamped[i]) {
      Cache.Put(scan.Files[i], scan.Stamps[i], scan.Answers[i]);
      changed = true;
    }
  }
  if (!CacheFile.empty()) {
    // Files of the scanned folders that are gone leave the cache too.
    const std::size_t before = Cache.Size();
    const std::unordered_set<std::string> present(scan.Files.begin(), scan.Files.end());
    const std::vector<std::string> folders = Folders();
    Cache.KeepOnly([&](const std::string& path) {
      const std::string folder = path.substr(0, path.rfind('/') + 1);
      return present.contains(path) ||
             std::find(folders.begin(), folders.end(), folder) == folders.end();
    });
    if ((changed || Cache.Size() != before) && !Cache.Save(CacheFile))
      Log(ltError, "Не удалось сохранить кэш компонентов \"%s\" <%s.%s>",
          {CacheFile, ClassName, std::string("Refresh")});
  }
  Log(ltInformation, "Обновление списка компонент закончено <%s.%s>",
      {ClassName, std::string("Refresh")});
}

std::vector<std::string> TComponentList::Folders() const {
  std::vector<std::string> folders{Path};
  for (const std::string& folder : MorePaths)
    if (std::find(folders.begin(), folders.end(), folder) == folders.end())
      folders.push_back(folder);
  return folders;
}

void TComponentList::Refresh() {
  try {
    const std::unique_ptr<TComponentScan> scan = BeginScan();
    scan->Run();
    FinishScan(*scan);
  } catch (const std::exception& e) { // allocation or a thread the system refused
    Log(ltError, "Поиск компонентов прерван: %s", {std::string(e.what())});
  }
}
