#include "platform/unLanguage.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <regex>

namespace {

TGetEnv Env(std::map<std::string, std::string> values) {
  return [values = std::move(values)](const char* name) -> const char* {
    const auto found = values.find(name);
    return found == values.end() ? nullptr : found->second.c_str();
  };
}

// The placeholders of a format, in order ("%s", "%d", ...).
std::vector<std::string> Placeholders(const std::string& format) {
  std::vector<std::string> found;
  const std::regex placeholder("%[-0-9.]*[a-z]");
  for (auto it = std::sregex_iterator(format.begin(), format.end(), placeholder);
       it != std::sregex_iterator(); ++it)
    found.push_back(it->str());
  return found;
}

// Restores the text language after a test.
struct TLanguageKept {
  TLanguage Was = TextLanguage();
  ~TLanguageKept() { SetTextLanguage(Was); }
};

} // namespace

TEST(Language, TheMessageLocaleAndTheLanguageListDecide) {
  const struct {
    std::map<std::string, std::string> Env;
    TLanguage Language;
  } rows[] = {
      {{}, TLanguage::Source},
      {{{"LANG", "C.UTF-8"}, {"LANGUAGE", "en"}}, TLanguage::Source},
      {{{"LANG", "ru_RU.UTF-8"}}, TLanguage::Russian},
      {{{"LANG", "en_US.UTF-8"}}, TLanguage::English},
      {{{"LANG", "de_DE.UTF-8"}}, TLanguage::Source},
      {{{"LANG", "de_DE.UTF-8"}, {"LANGUAGE", "de:ru:en"}}, TLanguage::Russian},
      {{{"LC_ALL", "en_GB.UTF-8@euro"}, {"LANG", "ru_RU.UTF-8"}}, TLanguage::English},
  };
  for (const auto& row : rows)
    EXPECT_EQ(MessageLanguage(Env(row.Env)), row.Language) << row.Env.size();
}

TEST(Language, ATextForTheUserIsInItsLanguageWithItsValues) {
  TLanguageKept kept;
  SetTextLanguage(TLanguage::English);
  EXPECT_EQ(Say("Модуль «%s», такт %d: %s", {std::string("Gen"), 3, std::string("x")}),
            "Module “Gen”, tick 3: x");
  EXPECT_EQ(SayWide("У модуля «%s» нет входа «%s»", {std::u16string(u"A"), std::u16string(u"i")}),
            u"Module “A” has no input “i”");
  // A text without a translation is given as it is.
  EXPECT_EQ(Say("Нет такого %s", {std::string("x")}), "Нет такого x");
  for (const TLanguage source : {TLanguage::Source, TLanguage::Russian}) {
    SetTextLanguage(source);
    EXPECT_EQ(Say("Модуль «%s», такт %d: %s", {std::string("Gen"), 3, std::string("x")}),
              "Модуль «Gen», такт 3: x");
  }
}

TEST(Language, EveryTextTheProgramSaysHasItsOtherFormWithTheSamePlaceholders) {
  // Every literal the sources give Say, SayWide or SayNumber, adjacent literals joined.
  const std::regex call(
      "\\b(Say|SayWide|SayNumber|UsageError|Fail)\\(\\s*((\"(?:[^\"\\\\]|\\\\.)*\"\\s*)+)");
  const std::regex piece("\"((?:[^\"\\\\]|\\\\.)*)\"");
  std::size_t calls = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(ZU_SOURCE "/src")) {
    if (entry.path().extension() != ".cpp")
      continue;
    std::ifstream in(entry.path());
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (auto it = std::sregex_iterator(text.begin(), text.end(), call);
         it != std::sregex_iterator(); ++it) {
      std::string joined;
      const std::string literals = (*it)[2];
      for (auto p = std::sregex_iterator(literals.begin(), literals.end(), piece);
           p != std::sregex_iterator(); ++p)
        joined += (*p)[1];
      // The escapes the sources use in these texts.
      joined = std::regex_replace(joined, std::regex("\\\\\""), "\"");
      ++calls;
      // Written in Russian, it has its English form; in English, its Russian one.
      const bool russian = std::regex_search(joined, std::regex("[\xD0\xD1]"));
      const char* other = russian ? EnglishFormat(joined) : RussianFormat(joined);
      ASSERT_NE(other, nullptr) << entry.path().filename() << ": " << joined;
      EXPECT_EQ(Placeholders(other), Placeholders(joined)) << joined;
    }
  }
  EXPECT_GT(calls, 30u);
}
