// Feeds arbitrary Windows-1251 bytes to the XML reader. Whatever parses must write a text that
// parses again to the same tree.

#include "platform/unStrings.h"
#include "xml/unXml.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// Attribute names are written as they stand, so one that holds what separates or quotes the
// parts of a tag (a space at an end or in a run, which the reader reduces, a quote, '=', a
// bracket or a control character) cannot come back as it was.
bool WritableAttributeName(std::u16string_view name) {
  if (name.starts_with(u' ') || name.ends_with(u' ') || name.find(u"  ") != name.npos)
    return false;
  for (char16_t c : name)
    if (c == u'"' || c == u'=' || c == u'<' || c == u'>' || c < 0x20)
      return false;
  return true;
}

// Elements without a name are not written at all (nor, with them, their subtrees), so a tree
// holding one cannot come back whole; nor can one with an attribute name as above.
bool HasUnwritableNames(const TKvenXmlNode1& node) {
  if (node.GetName().empty())
    return true;
  for (std::int32_t i = 0; i < node.GetAttributeCount(); ++i)
    if (!WritableAttributeName(node.GetAttributeName(i)))
      return true;
  for (std::int32_t i = 0; i < node.ChildCount(); ++i)
    if (HasUnwritableNames(*node.GetChildNodes().GetNode(i)))
      return true;
  return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TKvenXmlDocument1 first;
  if (!first.LoadXmlBytes(std::string_view(reinterpret_cast<const char*>(data), size)))
    return 0;
  if (HasUnwritableNames(*first.GetRoot()))
    return 0;
  const std::u16string text = first.GetXml();
  TKvenXmlDocument1 second;
  if (!second.LoadXml(text)) {
    std::fprintf(stderr, "written text does not parse:\n%s\n", Utf16ToUtf8(text).c_str());
    std::abort();
  }
  // The declaration is read back as an instruction (the library's own form), so the trees are
  // compared, not the declaration lines.
  const std::u16string a = first.GetRoot()->FormatXml(u"");
  const std::u16string b = second.GetRoot()->FormatXml(u"");
  if (a != b) {
    std::fprintf(stderr, "unstable:\n%s\n---\n%s\n", Utf16ToUtf8(a).c_str(),
                 Utf16ToUtf8(b).c_str());
    std::abort();
  }
  // The file form: Windows-1251 bytes with character references.
  TKvenXmlDocument1 third;
  if (!third.LoadXmlBytes(first.GetXmlBytes().View()) || third.GetRoot()->FormatXml(u"") != a) {
    std::fprintf(stderr, "unstable through bytes:\n%s\n", Utf16ToUtf8(a).c_str());
    std::abort();
  }
  return 0;
}
