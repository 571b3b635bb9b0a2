#include "PluginTestSupport.h"
#include "plugins/unComponentCache.h"
#include "plugins/unComponentList.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

namespace fs = std::filesystem;

namespace {

// A host program that notes each start (its files) in a log, then is the real host.
struct TCountingHost {
  explicit TCountingHost(const TTempFolder& folder)
      : Program((folder.Path / "host.sh").string()), Log((folder.Path / "starts").string()) {
    WriteBytes(Utf8ToUtf16(Program), "#!/bin/sh\n"
                                     "echo \"$*\" >> '" +
                                         Log +
                                         "'\n"
                                         "exec '" ZU_PROBE "' \"$@\"\n");
    fs::permissions(Program, fs::perms::owner_all);
  }
  // The files of each start (its arguments that are files), in order, with the folder taken out.
  std::vector<std::string> Starts(const std::string& folder) const {
    std::vector<std::string> starts;
    std::string text = ReadBytes(Utf8ToUtf16(Log));
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t end = text.find('\n', at);
      std::string line = text.substr(at, end - at), files;
      for (std::size_t p; (p = line.find(folder)) != std::string::npos;) {
        const std::size_t name = p + folder.size(), space = line.find(' ', name);
        files += (files.empty() ? "" : " ") + line.substr(name, space - name);
        line.erase(0, space == std::string::npos ? line.size() : space);
      }
      starts.push_back(files);
      at = end + 1;
    }
    return starts;
  }
  std::string Program, Log;
};

struct TCachedFolder {
  TCachedFolder() : Host(Folder) {
    fs::create_directory(Folder.Path / "c");
    Components = (Folder.Path / "c").string() + "/";
    fs::copy_file(Samples + "Adder.so", Components + "Adder.so");
    fs::copy_file(TestComponent("info_crash"), Components + "Bcrash.so");
    fs::copy_file(Samples + "Comparator.so", Components + "Comparator.so");
    CacheFile = (Folder.Path / "cache" / "deeper" / "components.cache").string();
  }
  // A registry of the folder with the cache; scans it and gives the names it registered.
  std::vector<std::u16string> Scan(TRecordingLog& log) {
    TComponentList registry;
    registry.OnLog = log.Handler();
    registry.ProbeProgram = Host.Program;
    registry.ProbeTimeoutMs = 3000;
    registry.ProbeParallel = 1;
    registry.Path = Components;
    registry.CacheFile = CacheFile;
    registry.Refresh();
    std::vector<std::u16string> names;
    for (std::int32_t i = 0; i < registry.Count(); ++i)
      names.push_back(registry.GetComponent(i)->Info.Name);
    Skipped = registry.GetSkipped().size();
    return names;
  }
  TTempFolder Folder;
  TCountingHost Host;
  std::string Components, CacheFile;
  std::size_t Skipped = 0;
};

} // namespace

TEST(ComponentCache, AnUnchangedFolderIsNotAskedAgainAndAChangedFileIs) {
  TCachedFolder f;
  TRecordingLog first, second;
  const std::vector<std::u16string> names{u"Adder", u"Comparator"};
  EXPECT_EQ(f.Scan(first), names);
  // One host for the three files; after the crash the file is asked once more in a host of its
  // own (the first file might have left something behind), then a host for the file left.
  EXPECT_EQ(f.Host.Starts(f.Components),
            (std::vector<std::string>{"Adder.so Bcrash.so Comparator.so", "Bcrash.so Comparator.so",
                                      "Comparator.so"}))
      << ReadBytes(Utf8ToUtf16(f.Host.Log));
  ASSERT_TRUE(fs::exists(f.CacheFile));
  // The second scan asks nobody, and tells the same, the skipped file with its cause included.
  EXPECT_EQ(f.Scan(second), names);
  EXPECT_EQ(f.Host.Starts(f.Components).size(), 3u);
  EXPECT_EQ(f.Skipped, 1u);
  ASSERT_EQ(second.Errors().size(), 1u);
  EXPECT_EQ(second.Errors(), first.Errors());
  EXPECT_NE(second.Errors()[0].find("процесс проверки завершён сигналом 11"), std::string::npos);
  // A touched file is asked again, alone.
  const auto later = fs::last_write_time(f.Components + "Comparator.so") + std::chrono::seconds(5);
  fs::last_write_time(f.Components + "Comparator.so", later);
  TRecordingLog third;
  EXPECT_EQ(f.Scan(third), names);
  EXPECT_EQ(f.Host.Starts(f.Components).size(), 4u);
  EXPECT_EQ(f.Host.Starts(f.Components).back(), "Comparator.so");
  // A file replaced by another of the same size and time is a new file (a new inode).
  fs::remove(f.Components + "Adder.so");
  fs::copy_file(Samples + "Recorder.so", f.Components + "Adder.so");
  TRecordingLog fourth;
  EXPECT_EQ(f.Scan(fourth), (std::vector<std::u16string>{u"Recorder", u"Comparator"}));
  EXPECT_EQ(f.Host.Starts(f.Components).back(), "Adder.so");
}

TEST(ComponentCache, GoneFilesLeaveTheCacheAndOtherFoldersStay) {
  TCachedFolder f;
  TRecordingLog log;
  f.Scan(log);
  TComponentCache cache;
  ASSERT_TRUE(cache.Load(f.CacheFile));
  EXPECT_EQ(cache.Size(), 3u);
  // An entry of another folder, put in by hand.
  TFileStamp stamp;
  ASSERT_TRUE(StampOf(Samples + "Adder.so", stamp));
  TComponentAnswer other;
  other.Ok = true;
  other.Info.Name = u"Elsewhere";
  cache.Put(Samples + "Adder.so", stamp, other);
  ASSERT_TRUE(cache.Save(f.CacheFile));
  fs::remove(f.Components + "Bcrash.so");
  f.Scan(log);
  ASSERT_TRUE(cache.Load(f.CacheFile));
  EXPECT_EQ(cache.Size(), 3u); // Adder, Comparator and the other folder's entry
  EXPECT_EQ(cache.Find(f.Components + "Bcrash.so", stamp), nullptr);
  ASSERT_NE(cache.Find(Samples + "Adder.so", stamp), nullptr);
  EXPECT_EQ(cache.Find(Samples + "Adder.so", stamp)->Info.Name, u"Elsewhere");
  // Another stamp of the same path is no hit.
  TFileStamp changed = stamp;
  ++changed.ModifiedNs;
  EXPECT_EQ(cache.Find(Samples + "Adder.so", changed), nullptr);
}

TEST(ComponentCache, ABrokenCacheIsIgnoredAndAHostThatCouldNotStartIsNotKept) {
  TTempFolder folder;
  const std::string file = (folder.Path / "c.cache").string();
  TComponentCache cache;
  EXPECT_FALSE(cache.Load(file)); // missing
  TFileStamp stamp{1, 2, 3, 4, 5};
  TComponentAnswer ok;
  ok.Ok = true;
  cache.Put("/x/A.so", stamp, ok);
  cache.Put("/x/B.so", stamp, UnaskedAnswer("не удалось запустить процесс проверки: EMFILE"));
  cache.Put("/x/C.so", stamp, FailedAnswer("процесс проверки не ответил за 5000 мс"));
  // What is kept follows the answer's kind, not its words.
  cache.Put("/x/D.so", stamp, UnaskedAnswer("процесс проверки не ответил за 5000 мс"));
  EXPECT_EQ(cache.Size(), 2u);
  ASSERT_TRUE(cache.Save(file));
  const std::string bytes = ReadBytes(Utf8ToUtf16(file));
  for (const std::string& bad : {std::string("not a cache"), bytes.substr(0, bytes.size() - 1),
                                 bytes + "x", "ZU component cache 1\n" + bytes.substr(21)}) {
    WriteBytes(Utf8ToUtf16(file), bad);
    TComponentCache broken;
    broken.Put("/x/A.so", stamp, ok);
    EXPECT_FALSE(broken.Load(file));
    EXPECT_EQ(broken.Size(), 0u);
  }
  WriteBytes(Utf8ToUtf16(file), bytes);
  EXPECT_TRUE(cache.Load(file));
  EXPECT_EQ(cache.Size(), 2u);
  EXPECT_NE(cache.Find("/x/C.so", stamp), nullptr);
}

TEST(ComponentCache, WithoutACacheFileNothingIsWritten) {
  TCachedFolder f;
  f.CacheFile.clear();
  TRecordingLog log;
  f.Scan(log);
  f.Scan(log);
  EXPECT_EQ(f.Host.Starts(f.Components).size(), 6u); // asked every time
  EXPECT_FALSE(fs::exists(f.Folder.Path / "cache"));
}

TEST(ComponentCache, TheDefaultPlaceFollowsTheCacheHome) {
  const char* saved = std::getenv("XDG_CACHE_HOME");
  const std::string keep = saved ? saved : "";
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  setenv("XDG_CACHE_HOME", "/somewhere/cache", 1);
  EXPECT_EQ(DefaultComponentCacheFile(), "/somewhere/cache/zu-programming/components.cache");
  setenv("XDG_CACHE_HOME", "relative", 1); // not absolute: ignored
  setenv("HOME", "/home/who", 1);
  EXPECT_EQ(DefaultComponentCacheFile(), "/home/who/.cache/zu-programming/components.cache");
  setenv("HOME", "", 1); // no home of one's own: no cache
  EXPECT_EQ(DefaultComponentCacheFile(), "");
  setenv("HOME", home.c_str(), 1);
  if (saved)
    setenv("XDG_CACHE_HOME", keep.c_str(), 1);
  else
    unsetenv("XDG_CACHE_HOME");
}

TEST(ComponentCache, AFileThatHangsIsNotAskedTwice) {
  TTempFolder folder;
  TCountingHost host(folder);
  fs::create_directory(folder.Path / "c");
  const std::string components = (folder.Path / "c").string() + "/";
  fs::copy_file(Samples + "Adder.so", components + "Adder.so");
  fs::copy_file(TestComponent("info_hang"), components + "Hang.so");
  TComponentList registry;
  registry.ProbeProgram = host.Program;
  registry.ProbeTimeoutMs = 300;
  registry.ProbeParallel = 1;
  registry.Path = components;
  registry.Refresh();
  EXPECT_EQ(registry.Count(), 1);
  // Its time ran out in the first host: no second host is started for it.
  EXPECT_EQ(host.Starts(components), std::vector<std::string>{"Adder.so Hang.so"});
}

TEST(ComponentCache, FurtherFoldersAreScannedAfterTheFirstEachOnceAndKeptApart) {
  TCachedFolder f;
  const std::string user = (f.Folder.Path / "user").string() + "/";
  fs::create_directory(user);
  fs::copy_file(Samples + "Recorder.so", user + "Recorder.so");
  fs::copy_file(Samples + "Adder.so", user + "AAdder.so");
  auto scan = [&](TComponentList& registry) {
    TRecordingLog log;
    registry.OnLog = log.Handler();
    registry.ProbeProgram = f.Host.Program;
    registry.ProbeParallel = 1;
    registry.Path = f.Components;
    // The first folder named again and a missing one add nothing.
    registry.MorePaths = {user, f.Components, (f.Folder.Path / "missing").string() + "/"};
    registry.CacheFile = f.CacheFile;
    registry.Refresh();
    std::vector<std::string> files;
    for (std::int32_t i = 0; i < registry.Count(); ++i)
      files.push_back(Utf16ToUtf8(registry.GetComponent(i)->GetFileName()));
    return files;
  };
  TComponentList first;
  EXPECT_EQ(scan(first),
            (std::vector<std::string>{f.Components + "Adder.so", f.Components + "Comparator.so",
                                      user + "AAdder.so", user + "Recorder.so"}));
  TComponentCache cache;
  ASSERT_TRUE(cache.Load(f.CacheFile));
  EXPECT_EQ(cache.Size(), 5u);
  // A file gone from the further folder leaves the cache; the others stay and are not asked.
  fs::remove(user + "Recorder.so");
  const std::size_t starts = f.Host.Starts(f.Components).size();
  TComponentList second;
  EXPECT_EQ(scan(second).size(), 3u);
  EXPECT_EQ(f.Host.Starts(f.Components).size(), starts);
  ASSERT_TRUE(cache.Load(f.CacheFile));
  EXPECT_EQ(cache.Size(), 4u);
  TFileStamp stamp;
  ASSERT_TRUE(StampOf(user + "AAdder.so", stamp));
  EXPECT_NE(cache.Find(user + "AAdder.so", stamp), nullptr);
}

TEST(ComponentList, AHostThatSpeaksNonsenseIsEndedAndItsFileSkipped) {
  TTempFolder folder;
  const std::string program = (folder.Path / "babbler.sh").string();
  const std::string pidFile = (folder.Path / "pid").string();
  // A frame longer than any answer may be, then silence with the pipe kept open.
  WriteBytes(Utf8ToUtf16(program), "#!/bin/sh\n"
                                   "echo $$ > '" +
                                       pidFile +
                                       "'\n"
                                       "eval \"printf '\\\\377\\\\377\\\\377\\\\377x' >&$1\"\n"
                                       "exec sleep 30\n");
  fs::permissions(program, fs::perms::owner_all);
  fs::create_directory(folder.Path / "c");
  fs::copy_file(Samples + "Adder.so", folder.Path / "c" / "Adder.so");
  TComponentList registry;
  registry.ProbeProgram = program;
  registry.ProbeTimeoutMs = 20000;
  registry.ProbeParallel = 1;
  registry.Path = (folder.Path / "c").string() + "/";
  const auto start = std::chrono::steady_clock::now();
  registry.Refresh();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(registry.Count(), 0);
  ASSERT_EQ(registry.GetSkipped().size(), 1u);
  EXPECT_NE(registry.GetSkipped()[0].Cause.find("непонятный ответ"), std::string::npos)
      << registry.GetSkipped()[0].Cause;
  // The host does not outlive the scan.
  const pid_t pid = std::stoi(ReadBytes(Utf8ToUtf16(pidFile)));
  bool ended = false;
  for (int i = 0; i < 100 && !ended; ++i) {
    const std::string stat = ReadBytes(Utf8ToUtf16("/proc/" + std::to_string(pid) + "/stat"));
    ended = stat.empty() || stat.find(") Z ") != std::string::npos;
    if (!ended)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(ended);
  kill(pid, SIGKILL);
}

TEST(ComponentCache, TheSameEntriesWriteTheSameBytesInAnyOrder) {
  TComponentAnswer a, b;
  a.Ok = b.Ok = true;
  a.Info.Name = u"A";
  b.Info.Name = u"B";
  TComponentCache one, two;
  one.Put("/x/A.so", {1, 2, 3, 4, 5}, a);
  one.Put("/y/B.so", {6, 7, 8, 9, 10}, b);
  two.Put("/y/B.so", {6, 7, 8, 9, 10}, b);
  two.Put("/x/A.so", {1, 2, 3, 4, 5}, a);
  EXPECT_EQ(one.ToBytes(), two.ToBytes());
  TComponentCache back;
  ASSERT_TRUE(back.FromBytes(one.ToBytes()));
  EXPECT_EQ(back.ToBytes(), one.ToBytes());
  ASSERT_NE(back.Find("/y/B.so", {6, 7, 8, 9, 10}), nullptr);
  EXPECT_EQ(back.Find("/y/B.so", {6, 7, 8, 9, 10})->Info.Name, u"B");
}

TEST(ComponentCache, AFileTooLargeForACacheIsNotReadAndALinkIsReplacedNotWrittenThrough) {
  TTempFolder folder;
  const std::string huge = (folder.Path / "huge.cache").string();
  WriteBytes(Utf8ToUtf16(huge), "");
  fs::resize_file(huge, TComponentCache::MaxFileBytes + 1);
  TComponentCache cache;
  EXPECT_FALSE(cache.Load(huge));
  // Too large even when every byte of it is a good cache: the size alone keeps it unread.
  TComponentCache large;
  TComponentAnswer long_;
  long_.Ok = true;
  long_.ParamIn = std::u16string(1 << 20, u'p');
  for (int i = 0; i < 70; ++i)
    large.Put("/lib/L" + std::to_string(i) + ".so", TFileStamp{i, 2, 3, 4, 5}, long_);
  ASSERT_TRUE(large.Save(huge));
  ASSERT_GT(fs::file_size(huge), TComponentCache::MaxFileBytes);
  TComponentCache read;
  EXPECT_FALSE(read.Load(huge));
  EXPECT_EQ(read.Size(), 0u);
  for (int i = 10; i < 70; ++i)
    large.Put("/lib/L" + std::to_string(i) + ".so", TFileStamp{i, 2, 3, 4, 5}, FailedAnswer("x"));
  ASSERT_TRUE(large.Save(huge));
  EXPECT_TRUE(read.Load(huge)) << "the same good cache, smaller, is read";
  EXPECT_EQ(read.Size(), 70u);
  // A cache file that is a link to somebody's file: the link is replaced, the file untouched.
  const std::string target = (folder.Path / "precious").string();
  WriteBytes(Utf8ToUtf16(target), "mine");
  const std::string link = (folder.Path / "components.cache").string();
  fs::create_symlink(target, link);
  TComponentAnswer answer;
  answer.Ok = true;
  cache.Put("/x.so", TFileStamp{1, 2, 3, 4, 5}, answer);
  ASSERT_TRUE(cache.Save(link));
  EXPECT_EQ(ReadBytes(Utf8ToUtf16(target)), "mine");
  EXPECT_FALSE(fs::is_symlink(link));
  TComponentCache again;
  EXPECT_TRUE(again.Load(link));
  EXPECT_EQ(again.Size(), 1u);
}
