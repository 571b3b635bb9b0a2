#include "XmlTestSupport.h"
#include "platform/unReplaceFile.h"
#include "xml/unXml.h"

#include <csignal>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

// A document whose file is some kilobytes long.
std::unique_ptr<TKvenXmlDocument1> BigDocument(TAddToLog log = {}) {
  auto doc = std::make_unique<TKvenXmlDocument1>(u"", std::move(log));
  for (int i = 0; i < 500; ++i)
    doc->GetRoot()->AddChild(u"Item")->SetValue(u"value " + std::u16string(20, u'ж'));
  return doc;
}

std::vector<std::string> Names(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Runs body in a child process (as an unprivileged user when asked and the suite runs as root)
// and returns its exit code, or 128 + the signal that ended it.
template <class TBody> int InChild(bool unprivileged, TBody body) {
  const pid_t child = fork();
  if (child == 0) {
    if (unprivileged && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
      _exit(90);
    _exit(body());
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string Attribute(const std::string& file, const char* name) {
  char buf[256];
  const ssize_t n = getxattr(file.c_str(), name, buf, sizeof buf);
  return n < 0 ? "<none>" : std::string(buf, static_cast<std::size_t>(n));
}

} // namespace

TEST(XmlSave, ANewFileIsRenamedInSoHardLinksKeepTheOldBytes) {
  TTempFolder folder;
  const std::u16string file = folder.File("p.xml");
  WriteBytes(file, "old bytes");
  const std::string other = (folder.Path / "other-name.xml").string();
  ASSERT_EQ(link(Utf16ToUtf8(file).c_str(), other.c_str()), 0);
  TKvenXmlDocument1 doc;
  ASSERT_TRUE(doc.SaveToFile(file));
  EXPECT_EQ(ReadBytes(Utf8ToUtf16(other)), "old bytes");
  EXPECT_TRUE(ReadBytes(file).starts_with("<? xml"));
}

TEST(XmlSave, RunningOutOfSpaceKeepsTheOldFileByteForByte) {
  TTempFolder folder;
  const std::u16string file = folder.File("p.xml");
  WriteBytes(file, "old bytes");
  // Files of the child may not grow beyond 1 000 bytes; the document needs more.
  const int code = InChild(false, [&] {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{1000, 1000};
    setrlimit(RLIMIT_FSIZE, &limit);
    TRecordingLog log;
    const TResult saved = BigDocument(log.Handler())->SaveToFile(file);
    const std::string reason =
        "Ошибка записи файла \"" + Utf16ToUtf8(file) + "\": " + std::strerror(EFBIG);
    const bool named =
        log.Errors().size() == 1 && log.Errors()[0] == reason && saved.Reason == reason;
    return saved ? 1 : named ? 0 : 2;
  });
  EXPECT_EQ(code, 0) << "1: reported success, 2: the reason was not logged";
  EXPECT_EQ(ReadBytes(file), "old bytes");
  EXPECT_EQ(Names(folder.Path), std::vector<std::string>{"p.xml"});
}

TEST(XmlSave, ASaveKilledHalfwayLeavesATemporaryThatTheNextSaveRemoves) {
  TTempFolder folder;
  const std::u16string file = folder.File("p.xml");
  WriteBytes(file, "old bytes");
  // The file size limit kills the child in the middle of writing its temporary file.
  const int code = InChild(false, [&] {
    const rlimit limit{1000, 1000};
    setrlimit(RLIMIT_FSIZE, &limit);
    return BigDocument()->SaveToFile(file) ? 1 : 2;
  });
  ASSERT_EQ(code, 128 + SIGXFSZ);
  EXPECT_EQ(ReadBytes(file), "old bytes");
  ASSERT_EQ(Names(folder.Path).size(), 2u) << "the killed save left no temporary file";
  // A save of another file leaves it; the next save of this one removes it.
  TKvenXmlDocument1 doc;
  ASSERT_TRUE(doc.SaveToFile(folder.File("p.xml.bak")));
  EXPECT_EQ(Names(folder.Path).size(), 3u);
  ASSERT_TRUE(doc.SaveToFile(file));
  EXPECT_EQ(Names(folder.Path), (std::vector<std::string>{"p.xml", "p.xml.bak"}));
  // A temporary of a process that still runs is left alone.
  const std::string live = (folder.Path / ReplaceTempName("p.xml", getppid())).string();
  WriteBytes(Utf8ToUtf16(live), "in progress");
  ASSERT_TRUE(doc.SaveToFile(file));
  EXPECT_EQ(Names(folder.Path).size(), 3u);
}

TEST(XmlSave, TheReplacedFileKeepsOwnerGroupModeAndAttributes) {
  TTempFolder folder;
  const std::u16string file = folder.File("p.xml");
  const std::string path = Utf16ToUtf8(file);
  WriteBytes(file, "old");
  ASSERT_EQ(chmod(path.c_str(), 0604), 0);
  const bool root = geteuid() == 0;
  if (root) {
    ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
  }
  const bool attributes = setxattr(path.c_str(), "user.zu", "kept", 4, 0) == 0;
  // An access list for one more user, in the kernel's layout: entries of tag, permissions, id.
  const std::uint32_t acl[] = {2,          0x0001 | (6u << 16), 0xFFFFFFFF, 0x0002 | (4u << 16),
                               12345,      0x0004 | (0u << 16), 0xFFFFFFFF, 0x0010 | (4u << 16),
                               0xFFFFFFFF, 0x0020 | (4u << 16), 0xFFFFFFFF};
  const bool lists = setxattr(path.c_str(), "system.posix_acl_access", acl, sizeof acl, 0) == 0;
  struct stat before {};
  ASSERT_EQ(stat(path.c_str(), &before), 0);
  const std::string aclBefore = Attribute(path, "system.posix_acl_access");

  TRecordingLog log;
  TKvenXmlDocument1 doc(u"", log.Handler());
  ASSERT_TRUE(doc.SaveToFile(file));
  struct stat after {};
  ASSERT_EQ(stat(path.c_str(), &after), 0);
  EXPECT_NE(after.st_ino, before.st_ino); // a new file was renamed in
  EXPECT_EQ(after.st_mode, before.st_mode);
  EXPECT_EQ(after.st_uid, before.st_uid);
  EXPECT_EQ(after.st_gid, before.st_gid);
  if (attributes) {
    EXPECT_EQ(Attribute(path, "user.zu"), "kept");
  }
  if (lists) {
    EXPECT_EQ(Attribute(path, "system.posix_acl_access"), aclBefore);
  }
  EXPECT_TRUE(log.Errors().empty());
  for (const auto& e : log.Entries)
    EXPECT_NE(e.Type, ltWarning) << e.Text;
}

TEST(XmlSave, AFileTheUserMayNotWriteIsRefused) {
  TTempFolder folder;
  ASSERT_EQ(chmod(folder.Path.c_str(), 0777), 0);
  const std::u16string file = folder.File("ro.xml");
  WriteBytes(file, "read only");
  ASSERT_EQ(chmod(Utf16ToUtf8(file).c_str(), 0444), 0);
  const int code = InChild(true, [&] {
    TRecordingLog log;
    TKvenXmlDocument1 doc(u"", log.Handler());
    const TResult saved = doc.SaveToFile(file);
    return saved ? 1
           : log.Errors().size() == 1 && saved.Reason == log.Errors()[0] &&
                   saved.Reason.ends_with(std::strerror(EACCES))
               ? 0
               : 2;
  });
  EXPECT_EQ(code, 0) << "1: the file was replaced, 2: the reason was not logged";
  EXPECT_EQ(ReadBytes(file), "read only");
  EXPECT_EQ(Names(folder.Path), std::vector<std::string>{"ro.xml"});
  // The owner who may bypass permissions writes it, as a plain write would, and the mode stays.
  if (geteuid() == 0) {
    TKvenXmlDocument1 doc;
    ASSERT_TRUE(doc.SaveToFile(file));
    struct stat st {};
    ASSERT_EQ(stat(Utf16ToUtf8(file).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0444u);
  }
}

TEST(XmlSave, ATargetWithTheLongestNameSaves) {
  TTempFolder folder;
  const std::string ascii(255, 'n');
  // 254 bytes of two-byte letters and one more byte: the temporary name must not split a letter.
  std::string cyrillic;
  for (int i = 0; i < 127; ++i)
    cyrillic += "ж";
  cyrillic += "x";
  for (const std::string& name : {ascii, cyrillic}) {
    const std::u16string file = Utf8ToUtf16((folder.Path / name).string());
    TKvenXmlDocument1 doc;
    ASSERT_TRUE(doc.SaveToFile(file)) << name.size();
    ASSERT_TRUE(doc.SaveToFile(file)) << name.size();
    const std::string temp = ReplaceTempName(name, 4194304);
    EXPECT_LE(temp.size(), 255u);
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(temp)), temp) << "a letter was cut in two";
  }
  EXPECT_EQ(Names(folder.Path).size(), 2u);
}

TEST(XmlSave, AnEmptyDocumentWritesOneLineBreak) {
  TTempFolder folder;
  const std::u16string file = folder.File("empty.xml");
  TKvenXmlDocument1 doc;
  doc.Version.clear();
  doc.GetRoot()->SetName(u"");
  ASSERT_TRUE(doc.SaveToFile(file));
  EXPECT_EQ(ReadBytes(file), "\r\n");
}
