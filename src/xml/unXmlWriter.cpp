// The XML writers: compact element markup, the indented document text, and the file.

#include "xml/unXml.h"

#include "platform/unIntText.h"
#include "platform/unReplaceFile.h"
#include "platform/unStrings.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

// Collects UTF-16 text.
class TWideSink {
public:
  void Put(char16_t c) { Out += c; }
  void Put(std::u16string_view text) { Out.append(text); }
  void PutAscii(std::string_view text) { Out.append(text.begin(), text.end()); }
  void PutSpaces(std::size_t count) { Out.append(count, u' '); }
  std::u16string Out;
};

// Collects Windows-1251 bytes; characters the code page lacks become character references,
// one per code point.
class TBytesSink {
public:
  void Put(char16_t c) {
    if (const int b = Byte(c); b >= 0) {
      *Out.Reserve(1) = static_cast<char>(b);
      Out.Commit(1);
    } else {
      PutReference(c);
    }
  }
  void Put(std::u16string_view text) {
    char* const start = Out.Reserve(text.size());
    char* o = start;
    for (std::size_t i = 0; i < text.size(); ++i) {
      const int b = Byte(text[i]);
      if (b < 0) {
        // The first unit without a byte finishes the text slowly.
        Out.Commit(static_cast<std::size_t>(o - start));
        PutSlowly(text.substr(i));
        return;
      }
      *o++ = static_cast<char>(b);
    }
    Out.Commit(text.size());
  }
  void PutAscii(std::string_view text) { Out.Append(text); }
  void PutSpaces(std::size_t count) {
    std::fill_n(Out.Reserve(count), count, ' ');
    Out.Commit(count);
  }
  TByteBuffer Out;

private:
  // The byte of a code unit; -1 for units without one and for surrogates.
  int Byte(char16_t c) const {
    if (c < 0x80)
      return c;
    const std::uint8_t b = Table[c];
    return b != 0 ? b : -1;
  }
  const std::uint8_t* Table = Cp1251EncodeTable();
  void PutSlowly(std::u16string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
      const char16_t c = text[i];
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
          text[i + 1] <= 0xDFFF) {
        PutReference(0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) +
                     (text[i + 1] - 0xDC00));
        ++i;
      } else {
        Put(c);
      }
    }
  }
  void PutReference(char32_t cp) {
    char buf[16];
    const int n = std::snprintf(buf, sizeof buf, "&#%u;", static_cast<unsigned>(cp));
    PutAscii(std::string_view(buf, static_cast<std::size_t>(n)));
  }
};

template <class Sink> void PutNumberReference(Sink& out, char16_t c) {
  out.PutAscii("&#");
  const std::u16string digits = IntToText(c);
  out.Put(digits);
  out.Put(u';');
}

// Element or attribute text with its markup characters escaped. The reader reduces runs of
// spaces in attribute text, so there every space after a space is written as a reference.
template <class Sink> void PutEscaped(Sink& out, std::u16string_view text, bool attribute) {
  std::size_t run = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    const bool special = c == u'&' || c == u'<' || c == u'>' || c < 0x20 ||
                         (attribute && (c == u'"' || (c == u' ' && i > 0 && text[i - 1] == u' ')));
    if (!special)
      continue;
    out.Put(text.substr(run, i - run));
    run = i + 1;
    switch (c) {
    case u'&':
      out.PutAscii("&amp;");
      break;
    case u'<':
      out.PutAscii("&lt;");
      break;
    case u'>':
      out.PutAscii("&gt;");
      break;
    case u'"':
      out.PutAscii("&quot;");
      break;
    default:
      PutNumberReference(out, c);
    }
  }
  out.Put(text.substr(run));
}

template <class Sink> void PutAttributes(Sink& out, const TAttributes& attributes) {
  for (const auto& a : attributes) {
    out.Put(u' ');
    out.Put(a.Name);
    out.PutAscii("=\"");
    PutEscaped(out, a.Value, true);
    out.Put(u'"');
  }
}

// Walks the tree in document order without recursion, so that a tree of any depth is written
// with the machine stack it starts with: open(node, depth) writes what comes before a node's
// children and tells whether it has any; close(node, depth) writes its end tag after them.
template <class TOpen, class TClose>
void WalkTree(const TKvenXmlNode1& root, TOpen&& open, TClose&& close) {
  struct TFrame {
    const TKvenXmlNode1* Node;
    std::int32_t Next;
  };
  std::vector<TFrame> stack;
  if (open(root, std::size_t{0}))
    stack.push_back({&root, 0});
  while (!stack.empty()) {
    const std::size_t depth = stack.size();
    TFrame& top = stack.back();
    const TKvenXmlCollection& children = top.Node->GetChildNodes();
    const std::int32_t count = children.GetCount();
    if (top.Next >= count) {
      close(*top.Node, depth - 1);
      stack.pop_back();
      continue;
    }
    const TKvenXmlNode1* child = children.GetNode(top.Next++);
    // A large tree is far bigger than the cache: the sibling after next is asked for, and the
    // texts of the next one (asked for a step earlier), while this one is written.
    if (top.Next + 1 < count)
      __builtin_prefetch(children.GetNode(top.Next + 1));
    if (top.Next < count) {
      const TKvenXmlNode1* next = children.GetNode(top.Next);
      __builtin_prefetch(next->GetName().data());
      __builtin_prefetch(next->GetValue().data());
    }
    if (open(*child, depth))
      stack.push_back({child, 0});
  }
}

template <class Sink> void PutEndTag(Sink& out, const TKvenXmlNode1& node) {
  out.PutAscii("</");
  out.Put(node.GetName());
  out.Put(u'>');
}

template <class Sink> void PutCompact(Sink& out, const TKvenXmlNode1& root) {
  WalkTree(
      root,
      [&out](const TKvenXmlNode1& node, std::size_t) {
        if (node.GetChildNodes().GetCount() == 0 && node.GetName().empty())
          return false;
        out.Put(u'<');
        out.Put(node.GetName());
        PutAttributes(out, node.GetAttributes());
        if (node.GetChildNodes().GetCount() > 0) {
          out.Put(u'>');
          return true;
        }
        if (node.GetValue().empty()) {
          out.PutAscii(" />");
          return false;
        }
        out.Put(u'>');
        PutEscaped(out, node.GetValue(), false);
        PutEndTag(out, node);
        return false;
      },
      [&out](const TKvenXmlNode1& node, std::size_t) { PutEndTag(out, node); });
}

template <class Sink> void PutIndent(Sink& out, std::u16string_view indent, std::size_t depth) {
  out.Put(indent);
  out.PutSpaces(2 * std::min(depth, XmlMaxIndentDepth));
}

template <class Sink>
void PutFormatted(Sink& out, const TKvenXmlNode1& root, std::u16string_view indent) {
  WalkTree(
      root,
      [&](const TKvenXmlNode1& node, std::size_t depth) {
        const bool hasChildren = node.GetChildNodes().GetCount() > 0;
        if (!hasChildren && node.GetName().empty())
          return false;
        PutIndent(out, indent, depth);
        out.Put(u'<');
        out.Put(node.GetName());
        PutAttributes(out, node.GetAttributes());
        out.Put(u'>');
        if (hasChildren) {
          out.PutAscii("\r\n");
          return true;
        }
        PutEscaped(out, node.GetValue(), false);
        PutEndTag(out, node);
        out.PutAscii("\r\n");
        return false;
      },
      [&](const TKvenXmlNode1& node, std::size_t depth) {
        PutIndent(out, indent, depth);
        PutEndTag(out, node);
        out.PutAscii("\r\n");
      });
}

template <class Sink> void PutDocument(Sink& out, const TKvenXmlDocument1& document) {
  if (!document.Version.empty()) {
    out.PutAscii("<? xml version=\"");
    out.Put(document.Version);
    out.Put(u'"');
    if (!document.Encoding.empty()) {
      out.PutAscii(" encoding=\"");
      out.Put(document.Encoding);
      out.Put(u'"');
    }
    out.PutAscii(" ?>\r\n");
  }
  PutFormatted(out, *document.GetRoot(), u"");
}

// What put writes into a fresh sink; nothing when memory runs out on the way.
template <class Sink, class TPut> auto Collect(TPut put) -> std::optional<decltype(Sink::Out)> {
  try {
    Sink out;
    put(out);
    return std::move(out.Out);
  } catch (...) {
    return std::nullopt;
  }
}

} // namespace

std::u16string TKvenXmlNode1::GetXml() const {
  return Collect<TWideSink>([this](auto& out) { PutCompact(out, *this); }).value_or(u"");
}

std::u16string TKvenXmlNode1::FormatXml(const std::u16string& indent) const {
  return Collect<TWideSink>([&](auto& out) { PutFormatted(out, *this, indent); }).value_or(u"");
}

std::u16string TKvenXmlDocument1::GetXml() const {
  return Collect<TWideSink>([this](auto& out) { PutDocument(out, *this); }).value_or(u"");
}

TByteBuffer TKvenXmlDocument1::GetXmlBytes() const {
  auto bytes = Collect<TBytesSink>([this](auto& out) { PutDocument(out, *this); });
  return bytes ? std::move(*bytes) : TByteBuffer();
}

TResult TKvenXmlDocument1::SaveToFile(const std::u16string& fileName) {
  const std::u16string& file = fileName.empty() ? FileName : fileName;
  FailureText.clear();
  auto bytes = Collect<TBytesSink>([this](auto& out) {
    PutDocument(out, *this);
    out.PutAscii("\r\n");
  });
  if (!bytes) {
    Fail("Недостаточно памяти для записи файла \"%s\"", {file});
    return TResult::Failed(FailureText);
  }
  const TReplaceResult result = ReplaceFile(Utf16ToUtf8(file), bytes->View());
  for (const std::string& note : result.Notes)
    Log(lgGeneral, ltWarning, "Файл \"%s\" записан, но %s", {file, note});
  if (!result.Ok) {
    Fail("Ошибка записи файла \"%s\": %s", {file, result.Reason});
    return TResult::Failed(FailureText);
  }
  return TResult::Done();
}
