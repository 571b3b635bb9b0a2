// The XML writers: compact element markup, the indented document text, and the file.

#include "xml/unXml.h"

#include "platform/unIntText.h"
#include "platform/unStrings.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

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
  static int Byte(char16_t c) { return c < 0x80 ? c : Cp1251ByteOf(c); }
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

// Element or attribute text with its markup characters escaped.
template <class Sink> void PutEscaped(Sink& out, std::u16string_view text, bool attribute) {
  std::size_t run = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    const bool special =
        c == u'&' || c == u'<' || c == u'>' || c < 0x20 || (attribute && c == u'"');
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

template <class Sink> void PutCompact(Sink& out, const TKvenXmlNode1& node) {
  const TKvenXmlCollection& children = node.GetChildNodes();
  if (children.GetCount() > 0) {
    out.Put(u'<');
    out.Put(node.GetName());
    PutAttributes(out, node.GetAttributes());
    out.Put(u'>');
    for (std::int32_t i = 0; i < children.GetCount(); ++i)
      PutCompact(out, *children.GetNode(i));
    out.PutAscii("</");
    out.Put(node.GetName());
    out.Put(u'>');
    return;
  }
  if (node.GetName().empty())
    return;
  out.Put(u'<');
  out.Put(node.GetName());
  PutAttributes(out, node.GetAttributes());
  if (node.GetValue().empty()) {
    out.PutAscii(" />");
    return;
  }
  out.Put(u'>');
  PutEscaped(out, node.GetValue(), false);
  out.PutAscii("</");
  out.Put(node.GetName());
  out.Put(u'>');
}

template <class Sink> void PutIndent(Sink& out, std::u16string_view indent, std::size_t depth) {
  out.Put(indent);
  out.PutSpaces(2 * depth);
}

template <class Sink>
void PutFormatted(Sink& out, const TKvenXmlNode1& node, std::u16string_view indent,
                  std::size_t depth) {
  const TKvenXmlCollection& children = node.GetChildNodes();
  if (children.GetCount() == 0 && node.GetName().empty())
    return;
  PutIndent(out, indent, depth);
  out.Put(u'<');
  out.Put(node.GetName());
  PutAttributes(out, node.GetAttributes());
  out.Put(u'>');
  if (children.GetCount() > 0) {
    out.PutAscii("\r\n");
    const std::int32_t count = children.GetCount();
    for (std::int32_t i = 0; i < count; ++i) {
      // A large tree is far bigger than the cache: the next siblings' nodes and texts are asked
      // for while this one is written.
      if (i + 2 < count)
        __builtin_prefetch(children.GetNode(i + 2));
      if (i + 1 < count) {
        const TKvenXmlNode1* next = children.GetNode(i + 1);
        __builtin_prefetch(next->GetName().data());
        __builtin_prefetch(next->GetValue().data());
      }
      PutFormatted(out, *children.GetNode(i), indent, depth + 1);
    }
    PutIndent(out, indent, depth);
  } else {
    PutEscaped(out, node.GetValue(), false);
  }
  out.PutAscii("</");
  out.Put(node.GetName());
  out.PutAscii(">\r\n");
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
  PutFormatted(out, *document.GetRoot(), u"", 0);
}

// What put writes into a fresh sink; empty when memory runs out on the way.
template <class Sink, class TPut> auto Collect(TPut put) -> decltype(Sink::Out) {
  try {
    Sink out;
    put(out);
    return std::move(out.Out);
  } catch (...) {
    return {};
  }
}

// Writes the bytes to a temporary file beside the target, flushes it and renames it over the
// target, keeping the target's permissions. A symbolic link is followed: the file it points at is
// replaced and the link stays. The target is untouched on failure.
bool ReplaceFile(const std::string& name, std::string_view bytes) {
  namespace fs = std::filesystem;
  fs::path path(name);
  std::error_code ec;
  for (int hops = 0; fs::is_symlink(fs::symlink_status(path, ec)); ++hops) {
    const fs::path link = fs::read_symlink(path, ec);
    if (ec || hops == 40)
      return false;
    path = link.is_absolute() ? link : (path.parent_path() / link).lexically_normal();
  }
  const std::string target = path.string();
  if (path.filename().empty())
    return false;
  const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
  std::string temp = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
  const int fd = mkstemp(temp.data());
  if (fd < 0)
    return false;
  bool ok = true;
  struct stat st {};
  if (stat(target.c_str(), &st) == 0) {
    ok = S_ISREG(st.st_mode) && fchmod(fd, st.st_mode & 07777) == 0;
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    ok = fchmod(fd, 0666 & ~mask) == 0;
  }
  for (std::size_t done = 0; ok && done < bytes.size();) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR)
      continue;
    ok = n > 0;
    if (ok)
      done += static_cast<std::size_t>(n);
  }
  ok = ok && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  ok = ok && rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) {
    unlink(temp.c_str());
    return false;
  }
  // The rename itself reaches the disk with the folder; the file is in place either way.
  if (const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY); dir >= 0) {
    fsync(dir);
    close(dir);
  }
  return true;
}

} // namespace

std::u16string TKvenXmlNode1::GetXml() const {
  return Collect<TWideSink>([this](auto& out) { PutCompact(out, *this); });
}

std::u16string TKvenXmlNode1::FormatXml(const std::u16string& indent) const {
  return Collect<TWideSink>([&](auto& out) { PutFormatted(out, *this, indent, 0); });
}

std::u16string TKvenXmlDocument1::GetXml() const {
  return Collect<TWideSink>([this](auto& out) { PutDocument(out, *this); });
}

TByteBuffer TKvenXmlDocument1::GetXmlBytes() const {
  return Collect<TBytesSink>([this](auto& out) { PutDocument(out, *this); });
}

bool TKvenXmlDocument1::SaveToFile(const std::u16string& fileName) {
  try {
    TByteBuffer bytes = GetXmlBytes();
    if (bytes.empty())
      return false;
    bytes.Append("\r\n");
    return ReplaceFile(Utf16ToUtf8(fileName.empty() ? FileName : fileName), bytes.View());
  } catch (...) {
    return false;
  }
}
