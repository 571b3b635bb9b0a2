#include "PluginTestSupport.h"
#include "plugins/unLibrary.h"

#include <cerrno>
#include <gtest/gtest.h>

namespace {

std::vector<std::string> Texts(const TRecordingLog& log) {
  std::vector<std::string> texts;
  for (const auto& e : log.Entries)
    texts.push_back(e.Text);
  return texts;
}

} // namespace

TEST(KvenLibrary, LoadsFindsAndUnloadsWithAMessageForEveryStep) {
  TRecordingLog log;
  TKvenLibrary library(log.Handler());
  EXPECT_FALSE(library.Initialize()); // no name: only the opening message
  EXPECT_EQ(Texts(log),
            std::vector<std::string>{"Инициализация библиотеки \"\" <TKvenLibrary.Initialize>"});
  log.Entries.clear();

  const std::u16string file = Utf8ToUtf16(Samples + "Adder.so");
  library.SetFileName(file);
  ASSERT_TRUE(library.Initialize());
  EXPECT_NE(library.GetHandle(), nullptr);
  library.SetFileName(u"/elsewhere.so"); // ignored while loaded
  EXPECT_EQ(library.GetFileName(), file);
  EXPECT_TRUE(library.Initialize());
  EXPECT_NE(library.FindProcedure(u"ZU_Plugin_Info"), nullptr);
  EXPECT_EQ(library.FindProcedure(u"ZU_Missing"), nullptr);
  EXPECT_TRUE(library.Finalize());
  EXPECT_TRUE(library.Finalize());
  const std::vector<std::string> texts = Texts(log);
  ASSERT_EQ(texts.size(), 10u);
  EXPECT_EQ(texts[0],
            "Инициализация библиотеки \"" + Utf16ToUtf8(file) + "\" <TKvenLibrary.Initialize>");
  EXPECT_EQ(texts[1], "Инициализировано <TKvenLibrary.Initialize>");
  EXPECT_EQ(texts[3], "Уже инициализировано <TKvenLibrary.Initialize>");
  EXPECT_EQ(texts[4],
            "Адрес процедуры \"ZU_Plugin_Info\" из модуля \"" + Utf16ToUtf8(file) + "\" получен");
  EXPECT_EQ(texts[5],
            "Адрес процедуры \"ZU_Missing\" не получен. Модуль \"" + Utf16ToUtf8(file) + "\"");
  EXPECT_TRUE(texts[6].starts_with("Финализация библиотеки Handle=")) << texts[6];
  EXPECT_NE(texts[6], "Финализация библиотеки Handle=0");
  EXPECT_EQ(texts[7], "Финализировано");
  EXPECT_EQ(texts[8], "Финализация библиотеки Handle=0");
  EXPECT_EQ(texts[9], "Уже финализировано");
  EXPECT_EQ(log.Errors().size(), 1u);
  library.SetFileName(u"/elsewhere.so"); // unloaded: taken
  EXPECT_EQ(library.GetFileName(), u"/elsewhere.so");
}

TEST(KvenLibrary, AFileTheSystemRefusesIsReportedWithItsHandleAndError) {
  const struct {
    std::string File;
    int Error;
  } table[] = {
      {TestComponent("not_a_library.so"), ENOEXEC}, {"/no/such.so", ENOENT}, {Samples, EISDIR}};
  for (const auto& [file, error] : table) {
    TRecordingLog log;
    TKvenLibrary library(log.Handler());
    library.SetFileName(Utf8ToUtf16(file));
    EXPECT_FALSE(library.Initialize());
    EXPECT_EQ(library.GetHandle(), nullptr);
    ASSERT_GE(log.Errors().size(), 1u);
    EXPECT_TRUE(log.Errors()[0].starts_with(
        "Ошибка при инициализации. Не правильное значение Handle=0 Error=" + std::to_string(error) +
        " "))
        << log.Errors()[0];
    EXPECT_TRUE(log.Errors()[0].ends_with(" <TKvenLibrary.Initialize>"));
  }
}
