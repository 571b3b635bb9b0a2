#include "platform/unProgramFolders.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct TFolder {
  TFolder() {
    std::string pattern = (fs::temp_directory_path() / "zu-folders-XXXXXX").string();
    Path = std::string(mkdtemp(pattern.data())) + "/";
  }
  ~TFolder() {
    std::error_code ec;
    fs::permissions(Path, fs::perms::owner_all, ec);
    fs::remove_all(Path, ec);
  }
  std::string Path;
};

TGetEnv Env(std::map<std::string, std::string> values) {
  return [values = std::move(values)](const char* name) -> const char* {
    const auto found = values.find(name);
    return found == values.end() ? nullptr : found->second.c_str();
  };
}

} // namespace

TEST(ProgramFolders, AWritableFolderKeepsEverythingBesideTheProgram) {
  TFolder exe;
  const TProgramFolders f = ProgramFolders(exe.Path, Env({{"HOME", "/home/u"}}));
  EXPECT_FALSE(f.PerUser);
  EXPECT_EQ(f.Config, exe.Path + "Configs/");
  EXPECT_EQ(f.Log, exe.Path + "Logs/");
  EXPECT_EQ(f.Recovery, exe.Path + "Configs/");
  EXPECT_EQ(f.CacheFile, exe.Path + "Configs/components.cache");
  EXPECT_EQ(f.Components, std::vector<std::string>{exe.Path});
  EXPECT_FALSE(fs::exists(exe.Path + "Configs")); // nothing is made
}

TEST(ProgramFolders, AnInstalledTreeUsesTheUsersFolders) {
  TFolder exe;
  std::ofstream(exe.Path + InstalledMarkName).put('\n');
  const struct {
    std::map<std::string, std::string> Env;
    const char *Config, *Log, *Data, *Cache;
  } cases[] = {
      {{{"HOME", "/home/u"}},
       "/home/u/.config/",
       "/home/u/.local/state/",
       "/home/u/.local/share/",
       "/home/u/.cache/"},
      {{{"HOME", "/home/u/"},
        {"XDG_CONFIG_HOME", "/c"},
        {"XDG_STATE_HOME", "/s/"},
        {"XDG_DATA_HOME", "/d"},
        {"XDG_CACHE_HOME", "/k"}},
       "/c/",
       "/s/",
       "/d/",
       "/k/"},
      // Relative values are ignored.
      {{{"HOME", "/h"},
        {"XDG_CONFIG_HOME", "rel"},
        {"XDG_STATE_HOME", ""},
        {"XDG_DATA_HOME", "./d"},
        {"XDG_CACHE_HOME", "k"}},
       "/h/.config/",
       "/h/.local/state/",
       "/h/.local/share/",
       "/h/.cache/"},
  };
  for (const auto& c : cases) {
    const TProgramFolders f = ProgramFolders(exe.Path, Env(c.Env));
    EXPECT_TRUE(f.PerUser);
    EXPECT_EQ(f.Config, std::string(c.Config) + "zu-programming/");
    EXPECT_EQ(f.Log, std::string(c.Log) + "zu-programming/");
    // Recovery with the program's state, the cache with the user's caches (zu-cli's too).
    EXPECT_EQ(f.Recovery, std::string(c.Log) + "zu-programming/");
    EXPECT_EQ(f.CacheFile, std::string(c.Cache) + "zu-programming/components.cache");
    EXPECT_EQ(f.Components, (std::vector<std::string>{exe.Path, std::string(c.Data) +
                                                                    "zu-programming/components/"}));
  }
  // Without a home nothing of the user's can be found: the program's folders stay.
  const TProgramFolders homeless = ProgramFolders(exe.Path, Env({{"HOME", "relative"}}));
  EXPECT_FALSE(homeless.PerUser);
  EXPECT_EQ(homeless.Config, exe.Path + "Configs/");
}

TEST(ProgramFolders, AnInstalledTreesComponentsFolderIsRegisteredToo) {
  TFolder exe;
  fs::create_directory(exe.Path + "components");
  // A build folder's "components" are nobody's (the tests keep theirs there).
  EXPECT_EQ(ProgramFolders(exe.Path, Env({{"HOME", "/h"}})).Components,
            (std::vector<std::string>{exe.Path}));
  std::ofstream(exe.Path + InstalledMarkName).put('\n');
  EXPECT_EQ(ProgramFolders(exe.Path, Env({{"HOME", "/h"}})).Components,
            (std::vector<std::string>{exe.Path, exe.Path + "components/",
                                      "/h/.local/share/zu-programming/components/"}));
}

TEST(ProgramFolders, AFolderThatCannotBeWrittenUsesTheUsersFolders) {
  TFolder exe;
  fs::permissions(exe.Path, fs::perms::owner_read | fs::perms::owner_exec);
  if (access(exe.Path.c_str(), W_OK) == 0)
    GTEST_SKIP() << "this user writes any folder";
  const TProgramFolders f = ProgramFolders(exe.Path, Env({{"HOME", "/home/u"}}));
  EXPECT_TRUE(f.PerUser);
  EXPECT_EQ(f.Config, "/home/u/.config/zu-programming/");
}

TEST(ProgramFolders, UserBaseFolderFallsBackBelowHome) {
  EXPECT_EQ(UserBaseFolder("XDG_CACHE_HOME", ".cache", Env({{"HOME", "/h"}})), "/h/.cache/");
  EXPECT_EQ(UserBaseFolder("XDG_CACHE_HOME", ".cache", Env({{"XDG_CACHE_HOME", "/x"}})), "/x/");
  EXPECT_EQ(UserBaseFolder("XDG_CACHE_HOME", ".cache", Env({})), "");
}

TEST(ProgramFolders, MakeFoldersMakesEveryMissingParentPrivately) {
  TFolder root;
  const std::string deep = root.Path + "a/b/c/";
  EXPECT_TRUE(MakeFolders(deep));
  EXPECT_TRUE(fs::is_directory(deep));
  struct stat st {};
  ASSERT_EQ(stat((root.Path + "a").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_TRUE(MakeFolders(deep));              // already there
  EXPECT_TRUE(MakeFolders(root.Path + "x/y")); // without the trailing '/'
  EXPECT_TRUE(fs::is_directory(root.Path + "x/y"));
  EXPECT_FALSE(MakeFolders(""));
  std::ofstream(root.Path + "file").put('\n');
  EXPECT_FALSE(MakeFolders(root.Path + "file/sub/"));
  EXPECT_FALSE(MakeFolders(root.Path + "file")); // a file is no folder
}
