#include "platform/unFileIdentity.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <utime.h>

namespace {

struct TFolder {
  TFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zu-id-XXXXXX").string();
    Path = mkdtemp(pattern.data());
  }
  ~TFolder() { std::filesystem::remove_all(Path); }
  std::string File(const char* name) const { return (Path / name).string(); }
  std::filesystem::path Path;
};

void Write(const std::string& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary) << bytes;
}

// Gives the file another modification time, its bytes unchanged.
void Touch(const std::string& file, long seconds) {
  const utimbuf times{seconds, seconds};
  utime(file.c_str(), &times);
}

} // namespace

TEST(FileIdentity, AFileIsKnownBySizeTimeAndBytesAndNothingElseIsAFile) {
  TFolder folder;
  const std::string file = folder.File("p.zuproj");
  Write(file, "abc");
  const TFileIdentity identity = TFileIdentity::Of(file);
  EXPECT_TRUE(identity.Known);
  EXPECT_TRUE(identity.Exists);
  EXPECT_EQ(identity.Size, 3);
  // A missing file and a folder are both no file at all.
  for (const std::string& none : {folder.File("missing"), folder.Path.string()}) {
    const TFileIdentity gone = TFileIdentity::Of(none);
    EXPECT_TRUE(gone.Known) << none;
    EXPECT_FALSE(gone.Exists) << none;
    EXPECT_EQ(gone.Size, 0) << none;
  }
}

TEST(FileIdentity, AFileMatchesWhileItHoldsWhatItHeld) {
  TFolder folder;
  const std::string file = folder.File("p.zuproj");
  Write(file, "abc");
  Touch(file, 1000000);
  const TFileIdentity identity = TFileIdentity::Of(file);
  EXPECT_TRUE(identity.Matches(file));
  // Another time, the same bytes: still the same.
  Touch(file, 2000000);
  EXPECT_TRUE(identity.Matches(file));
  // The same size, other bytes, another time: written by somebody else.
  Write(file, "abd");
  Touch(file, 3000000);
  EXPECT_FALSE(identity.Matches(file));
  // Another size.
  Write(file, "abcd");
  EXPECT_FALSE(identity.Matches(file));
  // Gone, or a folder in its place.
  std::filesystem::remove(file);
  EXPECT_FALSE(identity.Matches(file));
  std::filesystem::create_directory(file);
  EXPECT_FALSE(identity.Matches(file));
  // What was no file matches only no file; an unknown identity matches anything.
  const TFileIdentity none = TFileIdentity::Of(folder.File("missing"));
  EXPECT_TRUE(none.Matches(folder.File("missing")));
  EXPECT_TRUE(none.Matches(file)); // a folder is no file either
  Write(folder.File("missing"), "x");
  EXPECT_FALSE(none.Matches(folder.File("missing")));
  EXPECT_TRUE(TFileIdentity{}.Matches(folder.File("missing")));
}
