// The helpers of the plug-in header, as a component author uses them.
#include "zu_plugin.h"

#include <gtest/gtest.h>
#include <string>

namespace {

// A BSTR of UTF-8 text, freed with the object.
struct TText {
  explicit TText(const char* utf8) : Value(ZU_AllocStringUtf8(utf8)) {}
  ~TText() { SysFreeString(Value); }
  BSTR Value;
};

std::string Utf8Of(BSTR text, const char* name, std::size_t cap = 64) {
  std::string buf(cap, '#');
  const int found = ZU_ValueUtf8(text, name, buf.data(), cap);
  return (found ? "" : "-") + std::string(buf.c_str());
}

} // namespace

TEST(Sdk, ValuesAreFoundByTheirWholeNameAndUnescaped) {
  TText text("A=1.5\nAB=2\nPort=/dev/tty\\\\x\nNote=two\\nlines\\r\nB=\nЁж=да\nC=x=y\n");
  const std::pair<const char*, std::string> rows[] = {
      {"A", "1.5"},
      {"AB", "2"},
      {"Port", "/dev/tty\\x"},
      {"Note", "two\nlines\r"},
      {"B", ""},
      {"Ёж", "да"},
      {"C", "x=y"},
      {"Missing", "-"},
      {"", "-"},
  };
  for (const auto& [name, expected] : rows)
    EXPECT_EQ(Utf8Of(text.Value, name), expected) << name;
  // Cut at a character's edge when the buffer is short: "да" is 4 bytes.
  EXPECT_EQ(Utf8Of(text.Value, "Ёж", 4), "д");
  EXPECT_EQ(Utf8Of(text.Value, "Ёж", 5), "да");
  EXPECT_EQ(Utf8Of(nullptr, "A"), "-");
  // A backslash with nothing after it on its line stands for itself.
  TText ends("Y=c\\\nZ=ab\\");
  EXPECT_EQ(Utf8Of(ends.Value, "Y"), "c\\");
  EXPECT_EQ(Utf8Of(ends.Value, "Z"), "ab\\");
}

TEST(Sdk, NumbersAndTruthValuesFallBackWhenTheyAreNotThere) {
  TText text("X=2.5\nT=true\nF=false\nBad=2.5x\nEmpty=\nNeg=-1e-07\n");
  EXPECT_EQ(ZU_ValueDouble(text.Value, "X", 9), 2.5);
  EXPECT_EQ(ZU_ValueDouble(text.Value, "T", 9), 1);
  EXPECT_EQ(ZU_ValueDouble(text.Value, "F", 9), 0);
  EXPECT_EQ(ZU_ValueDouble(text.Value, "Bad", 9), 9);
  EXPECT_EQ(ZU_ValueDouble(text.Value, "Empty", 9), 9);
  EXPECT_EQ(ZU_ValueDouble(text.Value, "Neg", 9), -1e-07);
  EXPECT_EQ(ZU_ValueDouble(text.Value, "None", 9), 9);
  EXPECT_EQ(ZU_ValueBool(text.Value, "T", 0), 1);
  EXPECT_EQ(ZU_ValueBool(text.Value, "F", 1), 0);
  EXPECT_EQ(ZU_ValueBool(text.Value, "X", 0), 1);
  EXPECT_EQ(ZU_ValueBool(text.Value, "None", 1), 1);
  EXPECT_EQ(ZU_ValueBool(text.Value, "None", 0), 0);
}

TEST(Sdk, ValuesOfAnyLengthAreReadWhole) {
  const std::string big = "1" + std::string(70, '0');
  const std::string tail = std::string(100, '7') + "x"; // a number only up to its end
  const std::string long_text(10000, 'v');
  TText text(("Big=" + big + "\nTail=" + tail + "\nLong=" + long_text + "\n").c_str());
  EXPECT_EQ(ZU_ValueDouble(text.Value, "Big", 9), 1e70);
  EXPECT_EQ(ZU_ValueDouble(text.Value, "Tail", 9), 9);
  size_t needed = 0;
  char small[8];
  EXPECT_EQ(ZU_ValueUtf8Whole(text.Value, "Long", small, sizeof small, &needed), 1);
  EXPECT_EQ(needed, long_text.size() + 1);
  EXPECT_STREQ(small, "vvvvvvv");
  EXPECT_EQ(ZU_ValueUtf8Whole(text.Value, "None", small, sizeof small, &needed), 0);
  EXPECT_EQ(needed, 0u);
  char* copy = ZU_ValueUtf8Copy(text.Value, "Long");
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(std::string(copy), long_text);
  free(copy);
  EXPECT_EQ(ZU_ValueUtf8Copy(text.Value, "None"), nullptr);
}

TEST(Sdk, OutputsAreWrittenSoThatTheyReadBack) {
  ZU_Values out = ZU_VALUES_INIT;
  ZU_ValuesDouble(&out, "Tenth", 0.1);
  ZU_ValuesDouble(&out, "Third", 1.0 / 3);
  ZU_ValuesDouble(&out, "Big", 1e300);
  ZU_ValuesDouble(&out, "Seventeen", 0.1 + 0.2); // needs all 17 digits
  ZU_ValuesBool(&out, "On", 1);
  ZU_ValuesText(&out, "Line", "a\\b\nc\rd");
  for (int i = 0; i < 100; ++i) // grows past its first block
    ZU_ValuesText(&out, "Fill", "0123456789");
  BSTR text = nullptr;
  ZU_ValuesFinish(&out, &text);
  EXPECT_EQ(out.Data, nullptr);
  EXPECT_EQ(out.Len, 0u);
  EXPECT_EQ(Utf8Of(text, "Tenth"), "0.1");
  EXPECT_EQ(ZU_ValueDouble(text, "Third", 0), 1.0 / 3);
  EXPECT_EQ(ZU_ValueDouble(text, "Big", 0), 1e300);
  EXPECT_EQ(ZU_ValueDouble(text, "Seventeen", 0), 0.1 + 0.2);
  EXPECT_EQ(Utf8Of(text, "Seventeen"), "0.30000000000000004");
  EXPECT_EQ(Utf8Of(text, "On"), "true");
  EXPECT_EQ(Utf8Of(text, "Line"), "a\\b\nc\rd");
  const std::u16string all(reinterpret_cast<const char16_t*>(text), SysStringLen(text));
  EXPECT_TRUE(all.starts_with(u"Tenth=0.1\nThird=")) << std::string(all.begin(), all.end());
  EXPECT_NE(all.find(u"Line=a\\\\b\\nc\\rd\n"), std::u16string::npos);
  SysFreeString(text);
}

TEST(Sdk, InstancesAreKeptByNumberWhateverTheNumber) {
  ZU_Instances table = {nullptr, 0};
  int a = 0, b = 0, c = 0;
  EXPECT_EQ(ZU_InstanceGet(&table, 0), nullptr);
  for (const int32_t n : {0, 15, 16, 17, 31, 32, 1000}) {
    ASSERT_EQ(ZU_InstanceSet(&table, n, &a), 1) << n;
    EXPECT_GT(table.Count, n) << n;
    EXPECT_EQ(ZU_InstanceGet(&table, n), &a) << n;
  }
  ASSERT_EQ(ZU_InstanceSet(&table, 16, &b), 1);
  ASSERT_EQ(ZU_InstanceSet(&table, 5, &c), 1);
  EXPECT_EQ(ZU_InstanceGet(&table, 16), &b);
  EXPECT_EQ(ZU_InstanceGet(&table, 5), &c);
  EXPECT_EQ(ZU_InstanceGet(&table, 6), nullptr); // never set
  EXPECT_EQ(ZU_InstanceGet(&table, 1001), nullptr);
  EXPECT_EQ(ZU_InstanceGet(&table, table.Count), nullptr);
  EXPECT_EQ(ZU_InstanceGet(&table, -1), nullptr);
  EXPECT_EQ(ZU_InstanceSet(&table, -1, &a), 0);
  free(table.Items);
}

#include <dlfcn.h>

TEST(Sdk, TheAddersNumericStepAddsAndRefusesArraysOfAnotherSize) {
  void* library = dlopen(ZU_SAMPLES "/Adder.so", RTLD_NOW | RTLD_LOCAL);
  ASSERT_TRUE(library) << dlerror();
  const auto step = reinterpret_cast<TZUPluginStepValues>(dlsym(library, "ZU_Plugin_StepValues"));
  ASSERT_TRUE(step);
  const double in[3] = {2.5, -1, 7};
  double out[2] = {0, 0};
  BSTR error = nullptr;
  EXPECT_EQ(step(0, in, 2, out, 1, &error), 0);
  EXPECT_EQ(out[0], 1.5);
  EXPECT_EQ(error, nullptr);
  for (const auto& [inputs, outputs] : {std::pair{3, 1}, std::pair{2, 2}, std::pair{1, 0}}) {
    out[0] = 42;
    EXPECT_NE(step(0, in, inputs, out, outputs, &error), 0) << inputs << " " << outputs;
    ASSERT_TRUE(error);
    EXPECT_EQ(std::string(error, error + SysStringLen(error)), "wrong number of values");
    EXPECT_EQ(out[0], 42); // nothing written
    SysFreeString(error);
    error = nullptr;
  }
  dlclose(library);
}
