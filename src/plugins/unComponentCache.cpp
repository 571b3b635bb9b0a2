#include "plugins/unComponentCache.h"

#include "platform/unProgramFolders.h"
#include "platform/unReplaceFile.h"
#include "plugins/unHostProtocol.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <vector>

namespace {

// The first bytes of a cache file; a new layout gets a new mark.
const std::string Mark = "ZU component cache 2\n";
constexpr char EntryKind = 'C';

std::int64_t Ns(const timespec& t) {
  return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

} // namespace

bool StampOf(const std::string& file, TFileStamp& stamp) {
  struct stat st {};
  if (stat(file.c_str(), &st) != 0)
    return false;
  stamp = {static_cast<std::int64_t>(st.st_size), Ns(st.st_mtim), Ns(st.st_ctim),
           static_cast<std::int64_t>(st.st_ino), static_cast<std::int64_t>(st.st_dev)};
  return true;
}

bool TComponentCache::Keepable(const TComponentAnswer& answer) {
  return !answer.HostFault;
}

const TComponentAnswer* TComponentCache::Find(const std::string& path,
                                              const TFileStamp& stamp) const {
  const auto it = Entries.find(path);
  return it != Entries.end() && it->second.Stamp == stamp ? &it->second.Answer : nullptr;
}

void TComponentCache::Put(const std::string& path, const TFileStamp& stamp,
                          const TComponentAnswer& answer) {
  if (Keepable(answer))
    Entries[path] = {stamp, answer};
  else
    Entries.erase(path);
}

bool TComponentCache::Load(const std::string& file) {
  Entries.clear();
  // A file far larger than any cache of real components is not read at all.
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(file, ec);
  if (ec || size > MaxFileBytes)
    return false;
  std::ifstream in(file, std::ios::binary);
  if (!in)
    return false;
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return FromBytes(bytes);
}

bool TComponentCache::FromBytes(std::string_view bytes) {
  Entries.clear();
  if (!bytes.starts_with(Mark))
    return false;
  TFrameBuffer frames;
  frames.Append(bytes.data() + Mark.size(), bytes.size() - Mark.size());
  std::string payload;
  while (frames.Next(payload)) {
    TMessageReader r(payload);
    TEntry entry;
    const std::string path = r.Text();
    entry.Stamp = {r.I64(), r.I64(), r.I64(), r.I64(), r.I64()};
    TMessageReader answer(r.Text());
    if (r.Kind() != EntryKind || !r.Ok() || !r.AtEnd() || !Decode(answer, entry.Answer)) {
      Entries.clear();
      return false;
    }
    Entries[path] = std::move(entry);
  }
  if (!frames.Empty()) {
    Entries.clear();
    return false;
  }
  return true;
}

std::string TComponentCache::ToBytes() const {
  std::vector<const std::pair<const std::string, TEntry>*> sorted;
  sorted.reserve(Entries.size());
  for (const auto& entry : Entries)
    sorted.push_back(&entry);
  std::sort(sorted.begin(), sorted.end(), [](auto a, auto b) { return a->first < b->first; });
  std::string bytes(Mark);
  for (const auto* item : sorted) {
    const auto& [path, entry] = *item;
    TMessageWriter w(EntryKind);
    w.Text(path);
    for (std::int64_t v : {entry.Stamp.Size, entry.Stamp.ModifiedNs, entry.Stamp.ChangedNs,
                           entry.Stamp.Inode, entry.Stamp.Device})
      w.I64(v);
    w.Text(Encode(entry.Answer).Payload());
    bytes += w.Frame();
  }
  return bytes;
}

bool TComponentCache::Save(const std::string& file) const {
  if (const std::size_t slash = file.rfind('/'); slash != std::string::npos && slash > 0)
    MakeFolders(file.substr(0, slash + 1));
  // A cache that is a link is replaced, never written through: what it points at stays.
  return ReplaceFile(file, ToBytes(), false).Ok;
}

std::string DefaultComponentCacheFile() {
  const std::string base = UserBaseFolder("XDG_CACHE_HOME", ".cache", ProcessEnv);
  if (base.empty())
    return {}; // no folder of the user's own: nothing is kept
  return base + "zu-programming/components.cache";
}
