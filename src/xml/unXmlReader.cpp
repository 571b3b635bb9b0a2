// The XML reader: one pass over the text with an explicit stack of open elements, so that time is
// linear in the text's length and nesting depth never reaches the machine stack.

#include "xml/unXml.h"

#include "platform/unLanguage.h"

#include "platform/unStrings.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace {

constexpr std::size_t npos = std::size_t(-1);

// Text in UTF-16.
class TWideSource {
public:
  explicit TWideSource(std::u16string_view text) : Text(text) {}
  std::size_t Size() const { return Text.size(); }
  char16_t operator[](std::size_t i) const { return Text[i]; }
  std::size_t Find(char16_t c, std::size_t from) const { return Find(c, from, Text.size()); }
  // The first c in [from, to), or npos.
  std::size_t Find(char16_t c, std::size_t from, std::size_t to) const {
    if (from >= to)
      return npos;
    const std::size_t p = Text.substr(0, to).find(c, from);
    return p == std::u16string_view::npos ? npos : p;
  }
  template <class TString> void Append(TString& out, std::size_t begin, std::size_t end) const {
    out.append(Text.substr(begin, end - begin));
  }
  std::u16string_view View(std::size_t begin, std::size_t end) const {
    return Text.substr(begin, end - begin);
  }
  // The '>' that closes the tag opened at lt, before end; npos when a '<' or end comes first.
  std::size_t TagEnd(std::size_t lt, std::size_t end) const {
    for (std::size_t i = lt + 1; i < end; ++i) {
      if (Text[i] == u'>')
        return i;
      if (Text[i] == u'<')
        return npos;
    }
    return npos;
  }

private:
  std::u16string_view Text;
};

// Text in Windows-1251 bytes, decoded as it is read.
class TBytesSource {
public:
  explicit TBytesSource(std::string_view bytes) : Bytes(bytes) {
    static const std::u16string table = [] {
      std::string all(256, '\0');
      for (int b = 0; b < 256; ++b)
        all[static_cast<std::size_t>(b)] = static_cast<char>(b);
      return Cp1251ToUtf16(all);
    }();
    Table = table.data();
  }
  std::size_t Size() const { return Bytes.size(); }
  char16_t operator[](std::size_t i) const { return Table[static_cast<unsigned char>(Bytes[i])]; }
  std::size_t Find(char16_t c, std::size_t from) const { return Find(c, from, Bytes.size()); }
  // The first c in [from, to), or npos.
  std::size_t Find(char16_t c, std::size_t from, std::size_t to) const {
    if (from >= to)
      return npos;
    const void* p = std::memchr(Bytes.data() + from, static_cast<char>(c), to - from);
    return p ? static_cast<std::size_t>(static_cast<const char*>(p) - Bytes.data()) : npos;
  }
  template <class TString> void Append(TString& out, std::size_t begin, std::size_t end) const {
    const std::size_t old = out.size();
    out.resize(old + (end - begin));
    char16_t* o = out.data() + old;
    for (std::size_t i = begin; i < end; ++i)
      *o++ = Table[static_cast<unsigned char>(Bytes[i])];
  }

  // The '>' that closes the tag opened at lt, before end; npos when a '<' or end comes first.
  std::size_t TagEnd(std::size_t lt, std::size_t end) const {
    const char* const data = Bytes.data();
    for (std::size_t i = lt + 1; i < end; ++i) {
      if (data[i] == '>')
        return i;
      if (data[i] == '<')
        return npos;
    }
    return npos;
  }

private:
  std::string_view Bytes;
  const char16_t* Table;
};

// The first occurrence of what at or after from, or npos. '<' opens every tag, so a needle that
// starts with it is searched for by its second character, which is far rarer in markup.
template <class S> std::size_t FindText(const S& s, std::u16string_view what, std::size_t from) {
  const std::size_t key = what.size() > 1 && what[0] == u'<' ? 1 : 0;
  for (std::size_t p = s.Find(what[key], from + key); p != npos; p = s.Find(what[key], p + 1)) {
    const std::size_t start = p - key;
    if (start + what.size() > s.Size())
      return npos;
    std::size_t k = 0;
    while (k < what.size() && s[start + k] == what[k])
      ++k;
    if (k == what.size())
      return start;
  }
  return npos;
}

template <class S>
bool StartsWith(const S& s, std::size_t at, std::size_t end, std::u16string_view what) {
  if (at + what.size() > end)
    return false;
  for (std::size_t k = 0; k < what.size(); ++k)
    if (s[at + k] != what[k])
      return false;
  return true;
}

template <class S> bool IsBlank(const S& s, std::size_t begin, std::size_t end) {
  for (std::size_t i = begin; i < end; ++i) {
    const char16_t c = s[i];
    if (c != u' ' && c != u'\t' && c != u'\r' && c != u'\n')
      return false;
  }
  return true;
}

template <class S> std::int32_t LineAt(const S& s, std::size_t pos) {
  std::int32_t line = 1;
  for (std::size_t p = s.Find(u'\n', 0); p != npos && p < pos; p = s.Find(u'\n', p + 1))
    ++line;
  return line;
}

// Appends the text with its entities decoded.
template <class S, class TString>
void AppendDecoded(const S& s, std::size_t begin, std::size_t end, TString& out) {
  if (s.Find(u'&', begin, end) == npos) {
    s.Append(out, begin, end);
    return;
  }
  std::u16string raw;
  s.Append(raw, begin, end);
  out += UnescapeText(raw);
}

template <class S> std::u16string Slice(const S& s, std::size_t begin, std::size_t end) {
  std::u16string out;
  s.Append(out, begin, end);
  return out;
}

} // namespace

class TXmlParser {
public:
  // Parses the element markup in s[begin, end) into the target node. elementFound, when given,
  // tells whether the text held a start tag at all (text without markup only sets the value).
  template <class S>
  static bool Parse(TKvenXmlNode1& target, const S& s, std::size_t begin, std::size_t end,
                    bool* elementFound = nullptr);

private:
  struct TFrame {
    TKvenXmlNode1* Node;
    std::size_t ScratchBase;
    bool HasChildren;
  };

  template <class S>
  static void StartTag(TKvenXmlNode1& node, const S& s, std::size_t begin, std::size_t end) {
    // TAB, CR and LF in a tag count as spaces, as in XML, so that a tag written over several
    // lines has the same name.
    bool plain = true;
    for (std::size_t i = begin; i < end && plain; ++i) {
      const char16_t c = s[i];
      plain = c != u' ' && c != u'\t' && c != u'\r' && c != u'\n';
    }
    if (plain) {
      // Names repeat: they are gathered in one scratch text and taken from the name table.
      static std::u16string scratch;
      scratch.clear();
      s.Append(scratch, begin, end);
      node.Name = scratch;
      TrimName(node);
      return;
    }
    bool spacesOnly = true;
    for (std::size_t i = begin; i < end && spacesOnly; ++i) {
      const char16_t c = s[i];
      spacesOnly = c != u'\t' && c != u'\r' && c != u'\n';
    }
    // A wide text whose tag separates by spaces alone is read where it stands.
    if constexpr (requires { s.View(begin, end); }) {
      if (spacesOnly) {
        node.ParseStartTag(s.View(begin, end));
        TrimName(node);
        return;
      }
    }
    std::u16string tag = Slice(s, begin, end);
    for (char16_t& c : tag)
      if (c == u'\t' || c == u'\r' || c == u'\n')
        c = u' ';
    node.ParseStartTag(tag);
    TrimName(node);
  }

  // A name never ends with '/': the writer would make such an element self-closing.
  static void TrimName(TKvenXmlNode1& node) {
    std::u16string_view name = node.Name.Str();
    if (name.empty() || name.back() != u'/')
      return;
    while (!name.empty() && name.back() == u'/')
      name.remove_suffix(1);
    node.Name = std::u16string(name);
  }

  // True when the tag s[lt, tagEnd) ends with '/' (white space after it allowed); tagEnd then
  // moves to the '/'.
  template <class S> static bool SelfClosing(const S& s, std::size_t lt, std::size_t& tagEnd) {
    std::size_t e = tagEnd;
    while (e > lt + 1 &&
           (s[e - 1] == u' ' || s[e - 1] == u'\t' || s[e - 1] == u'\r' || s[e - 1] == u'\n'))
      --e;
    if (e > lt + 1 && s[e - 1] == u'/') {
      tagEnd = e - 1;
      return true;
    }
    return false;
  }

  // Moves the children parsed for the frame into its node. They were made with the target's
  // document, which every node of one parse shares.
  static void Close(const TFrame& frame, std::vector<std::unique_ptr<TKvenXmlNode1>>& scratch) {
    auto& items = frame.Node->ChildNodes.Items;
    items.reserve(items.size() + (scratch.size() - frame.ScratchBase));
    for (std::size_t i = frame.ScratchBase; i < scratch.size(); ++i)
      items.push_back(std::move(scratch[i]));
    scratch.resize(frame.ScratchBase);
  }
};

template <class S>
bool TXmlParser::Parse(TKvenXmlNode1& target, const S& s, std::size_t pos, std::size_t end,
                       bool* elementFound) {
  std::vector<TFrame> stack;
  std::vector<std::unique_ptr<TKvenXmlNode1>> scratch;
  auto fail = [&](const std::string& format, const TLogArgs& args) {
    target.Fail(format, args);
    while (!stack.empty()) {
      Close(stack.back(), scratch);
      stack.pop_back();
    }
    return false;
  };

  // Before the element: comments, instructions and a document type are passed over.
  std::size_t lt;
  for (;;) {
    lt = s.Find(u'<', pos);
    if (lt == npos || lt >= end) {
      target.Value.clear();
      AppendDecoded(s, pos, end, target.Value);
      return true;
    }
    if (StartsWith(s, lt, end, u"<!--")) {
      const std::size_t close = FindText(s, u"-->", lt + 4);
      if (close == npos || close + 3 > end)
        return fail("Не найден конец комментария \"-->\" Line=%d", {LineAt(s, lt)});
      pos = close + 3;
    } else if (StartsWith(s, lt, end, u"<?") || StartsWith(s, lt, end, u"<!")) {
      const std::size_t close = s.Find(u'>', lt);
      if (close == npos || close >= end)
        return fail("Не найден закрывающий символ \">\"", {});
      pos = close + 1;
    } else {
      break;
    }
  }

  // A '<' before the '>' means the first '<' was never closed.
  std::size_t gt = s.TagEnd(lt, end);
  if (gt == npos)
    return fail("Не найден закрывающий символ \">\"", {});
  if (s[lt + 1] == u'/')
    return fail("Закрывающий тег \"<%s>\" без открывающего Line=%d",
                {Slice(s, lt + 1, gt), LineAt(s, lt)});
  std::size_t tagEnd = gt;
  const bool rootClosed = SelfClosing(s, lt, tagEnd);
  if (elementFound)
    *elementFound = true;
  StartTag(target, s, lt + 1, tagEnd);
  target.Value.clear();
  if (rootClosed)
    return true;
  stack.push_back({&target, 0, false});
  pos = gt + 1;

  while (!stack.empty()) {
    TFrame& top = stack.back();
    lt = s.Find(u'<', pos);
    if (lt == npos || lt >= end)
      return fail("Не найден закрывающий тег \"</%s>\" Line=%d",
                  {std::u16string(top.Node->Name.Str()), LineAt(s, end)});
    const char16_t after = lt + 1 < end ? s[lt + 1] : u'\0';
    const bool endTag = after == u'/';
    const bool comment = after == u'!' && StartsWith(s, lt, end, u"<!--");
    const bool cdata = after == u'!' && StartsWith(s, lt, end, u"<![CDATA[");
    // Text between markup: white space between tags is layout, not part of a value.
    if (pos < lt) {
      const bool keep = endTag ? !top.HasChildren || !IsBlank(s, pos, lt) : !IsBlank(s, pos, lt);
      if (keep)
        AppendDecoded(s, pos, lt, top.Node->Value);
    }

    if (comment) {
      const std::size_t close = FindText(s, u"-->", lt + 4);
      if (close == npos || close + 3 > end)
        return fail("Не найден конец комментария \"-->\" Line=%d", {LineAt(s, lt)});
      pos = close + 3;
      continue;
    }
    if (cdata) {
      const std::size_t close = FindText(s, u"]]>", lt + 9);
      if (close == npos || close + 3 > end)
        return fail("Не найден конец раздела \"]]>\" Line=%d", {LineAt(s, lt)});
      s.Append(top.Node->Value, lt + 9, close);
      pos = close + 3;
      continue;
    }
    gt = s.TagEnd(lt, end);
    if (gt == npos)
      return fail("Не найдена закрывающая символ \">\"", {});
    if (s[lt + 1] == u'?' || s[lt + 1] == u'!') {
      pos = gt + 1;
      continue;
    }
    if (endTag) {
      std::size_t nameEnd = gt;
      while (nameEnd > lt + 2 && (s[nameEnd - 1] == u' ' || s[nameEnd - 1] == u'\t' ||
                                  s[nameEnd - 1] == u'\r' || s[nameEnd - 1] == u'\n'))
        --nameEnd;
      const std::u16string_view name = top.Node->Name;
      bool match = nameEnd - (lt + 2) == name.size();
      for (std::size_t k = 0; match && k < name.size(); ++k)
        match = s[lt + 2 + k] == name[k];
      if (!match)
        return fail("Закрывающий тег \"</%s>\" не соответствует элементу \"%s\" Line=%d",
                    {Slice(s, lt + 2, nameEnd), std::u16string(name), LineAt(s, lt)});
      Close(top, scratch);
      stack.pop_back();
      pos = gt + 1;
      continue;
    }

    std::size_t tagEnd = gt;
    const bool selfClosing = SelfClosing(s, lt, tagEnd);
    auto child = TKvenXmlNode1::Make(target.Document, target.Memory);
    StartTag(*child, s, lt + 1, tagEnd);
    TKvenXmlNode1* raw = child.get();
    top.HasChildren = true;
    scratch.push_back(std::move(child));
    pos = gt + 1;
    if (!selfClosing) {
      if (stack.size() >= static_cast<std::size_t>(XmlMaxDepth))
        return fail("Превышена допустимая глубина вложенности элементов (%d) Line=%d",
                    {XmlMaxDepth, LineAt(s, lt)});
      stack.push_back({raw, scratch.size(), false});
    }
  }
  return true;
}

bool TKvenXmlNode1::ParseElement(std::u16string_view text) {
  try {
    return TXmlParser::Parse(*this, TWideSource(text), 0, text.size());
  } catch (...) {
    return false;
  }
}

template <class S> bool TKvenXmlDocument1::LoadSource(const S& s) {
  ElementRead = false;
  FailureText.clear();
  std::int32_t counter = 0;
  std::size_t pos = 0;
  // The next CR LF is looked for again only once the text before it is used up, so that many
  // leading instructions are read in one pass.
  std::size_t lineBreak = 0;
  bool lineBreakKnown = false;
  for (;;) {
    ++counter;
    const std::size_t open = FindText(s, u"<?", pos);
    if (open == npos)
      break;
    const std::size_t close = FindText(s, u"?>", pos);
    if (close == npos) {
      return Fail("Не найден закрывающий тег \"?>\" Line=%d", {counter});
    }
    // The instruction is taken to stand at the very start of the remaining text.
    std::u16string content = close > pos + 2 ? Slice(s, pos + 2, close) : std::u16string();
    pos = close + 2;
    const std::size_t a = s.Find(u'<', pos);
    if (a == npos)
      Log(lgGeneral, ltError, "Не задан элемент Line=%d", {counter});
    if (!lineBreakKnown || (lineBreak != npos && lineBreak < pos)) {
      lineBreak = FindText(s, u"\r\n", pos);
      lineBreakKnown = true;
    }
    if (a != npos && (lineBreak == npos || a > lineBreak))
      ++counter;
    if (a != npos)
      pos = a;

    TKvenXmlNode1 instruction(nullptr);
    instruction.ParseElement(u"<" + content + u"/>");
    if (UpperCaseAnsi(instruction.GetName()) == u"XML") {
      Encoding = instruction.GetAttribute(u"encoding");
      Version = instruction.GetAttribute(u"version");
    } else {
      try {
        OnInstruction(&instruction);
      } catch (...) {
      }
    }
    if (a == npos)
      break;
  }
  return TXmlParser::Parse(*Root, s, pos, s.Size(), &ElementRead);
}

bool TKvenXmlDocument1::LoadXml(std::u16string_view text) {
  try {
    return LoadSource(TWideSource(text));
  } catch (const std::exception&) { // allocation: the text is too large for this machine
    return Fail("Недостаточно памяти для разбора XML", {});
  }
}

bool TKvenXmlDocument1::LoadXmlBytes(std::string_view bytes) {
  try {
    return LoadSource(TBytesSource(bytes));
  } catch (const std::exception&) { // allocation: the text is too large for this machine
    return Fail("Недостаточно памяти для разбора XML", {});
  }
}

TResult TKvenXmlDocument1::LoadFromFile(const std::u16string& fileName) {
  if (FileName.empty())
    FileName = fileName;
  const std::u16string& name = fileName.empty() ? FileName : fileName;
  Log(lgGeneral, ltInformation, "Загрузка XML файла \"%s\"", {name});
  ElementRead = false;
  FailureText.clear();
  auto failed = [&](const std::string& why) {
    Fail("Не удалось прочитать файл \"%s\": %s", {name, why});
    return TResult::Failed(FailureText);
  };
  std::string bytes;
  try {
    std::ifstream file(Utf16ToUtf8(name), std::ios::binary | std::ios::ate);
    if (!file)
      return failed(std::strerror(errno));
    const std::streamoff size = file.tellg();
    if (size < 0)
      return failed("размер файла неизвестен");
    bytes.resize(static_cast<std::size_t>(size));
    file.seekg(0);
    if (!file.read(bytes.data(), size))
      return failed("файл прочитан не полностью");
  } catch (const std::exception&) { // allocation or a failed stream
    return failed("недостаточно памяти");
  }
  // The DOS end-of-file character ends the text.
  if (const std::size_t eof = bytes.find('\x1A'); eof != std::string::npos)
    bytes.resize(eof);
  if (LoadXmlBytes(bytes))
    return TResult::Done();
  return TResult::Failed(FailureText.empty() ? Say("Файл не разобран как XML") : FailureText);
}
