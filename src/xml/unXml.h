#pragma once

#include "log/unLogGlobals.h"
#include "platform/unByteBuffer.h"
#include "platform/unDateTime.h"
#include "platform/unResult.h"

#include <cstdint>
#include <memory>
#include <memory_resource>
#include <string>
#include <string_view>
#include <vector>

class TKvenXmlDocument1;
class TKvenXmlNode1;

// An attribute's texts live in the memory of the element that holds it.
struct TAttribute {
  using allocator_type = std::pmr::polymorphic_allocator<char16_t>;
  TAttribute(std::u16string_view name, std::u16string_view value, allocator_type memory = {})
      : Name(name, memory), Value(value, memory) {}
  TAttribute(const TAttribute& other, allocator_type memory = {})
      : Name(other.Name, memory), Value(other.Value, memory) {}
  TAttribute(TAttribute&& other, allocator_type memory)
      : Name(std::move(other.Name), memory), Value(std::move(other.Value), memory) {}
  TAttribute(TAttribute&& other) noexcept = default;
  TAttribute& operator=(const TAttribute& other) = default;
  TAttribute& operator=(TAttribute&& other) = default;
  std::pmr::u16string Name;
  std::pmr::u16string Value;
};

// In insertion order; names are unique under exact comparison.
using TAttributes = std::pmr::vector<TAttribute>;

// Value of the first attribute with the name: exact comparison when caseSensitive, otherwise
// both names upper-cased by the Russian code page's rules. Empty when none matches.
std::u16string FindAttributeValue(const TAttributes& attributes, std::u16string_view name,
                                  bool caseSensitive);
// Replaces the value of the attribute with exactly this name, or appends one; an empty name is
// ignored.
void SetAttributeValue(TAttributes& attributes, std::u16string_view name,
                       std::u16string_view value);

// Space clean-up flags: remove leading spaces, remove trailing spaces, reduce runs to one space.
// Only U+0020 counts as a space.
inline constexpr int csLeading = 1;
inline constexpr int csTrailing = 2;
inline constexpr int csRuns = 4;
std::u16string CleanSpaces(std::u16string text, int flags);

// Element text as markup: '&', '<', '>' as entities, control characters (CR, LF, TAB, ...) as
// character references, so that every value fits on one line and reads back identical.
std::u16string EscapeText(std::u16string_view text);
// Attribute text: as EscapeText, and '"' as "&quot;".
std::u16string EscapeAttributeText(std::u16string_view text);
// Decodes &lt; &gt; &amp; &quot; &apos; &#N; &#xN;. An '&' that starts none of them is kept.
std::u16string UnescapeText(std::u16string_view text);
// Splits a start tag's text into the element name (returned) and its attributes (merged into
// the array). Attribute values are decoded; names are taken as they stand.
std::u16string ParseTagText(std::u16string_view tagText, TAttributes& attributes);

// Nesting deeper than this makes a parse fail.
inline constexpr int XmlMaxDepth = 10000;
// The indented writer indents by two spaces per level up to this depth and no further, so that
// the text of a deep tree stays linear in its size.
inline constexpr std::size_t XmlMaxIndentDepth = 256;

// An element's name. Names are kept once, in a table shared by every tree, for all elements of
// that name: a large tree holds no copy of most of its names and frees none. Numbered names
// ("Module12", which differ from element to element) and names beyond the table's room (a
// hostile file with very many different names) are kept by their element, in its memory. Trees
// may be built on several threads: the table is locked, and each thread keeps its own cache of
// recent names.
class TXmlName {
public:
  explicit TXmlName(std::pmr::memory_resource* memory = std::pmr::get_default_resource()) noexcept
      : Own(memory) {}
  TXmlName(std::u16string_view text, std::pmr::memory_resource* memory) : Own(memory) {
    Assign(text);
  }
  TXmlName(const TXmlName&) = delete;
  TXmlName& operator=(const TXmlName&) = delete;
  TXmlName& operator=(std::u16string_view text) {
    Assign(text);
    return *this;
  }
  std::u16string_view Str() const noexcept { return Text; }
  operator std::u16string_view() const noexcept { return Text; }
  bool operator==(std::u16string_view text) const noexcept { return Text == text; }
  // The table holds at most this many names.
  static constexpr std::size_t TableRoom = 65536;

private:
  void Assign(std::u16string_view text);

  std::u16string_view Text; // into the table, or Own
  std::pmr::u16string Own;
};

// The ordered children of one element; owns them.
class TKvenXmlCollection {
public:
  TKvenXmlCollection(TKvenXmlNode1* owner, std::pmr::memory_resource* memory)
      : Items(memory), Owner(owner) {}
  ~TKvenXmlCollection() { Clear(); }
  TKvenXmlCollection(const TKvenXmlCollection&) = delete;
  TKvenXmlCollection& operator=(const TKvenXmlCollection&) = delete;

  // Takes ownership and gives the node the owner's document. A node made in other memory than
  // the owner's is copied into the owner's, with everything below it, and the original destroyed.
  void Add(std::unique_ptr<TKvenXmlNode1> node);
  TKvenXmlNode1* AddNew(const std::u16string& name);
  // First child with exactly this name; null for an empty name.
  TKvenXmlNode1* Find(std::u16string_view name) const;
  // Find, or AddNew when there is none; null for an empty name.
  TKvenXmlNode1* GetOrAdd(const std::u16string& name);
  std::int32_t GetCount() const { return static_cast<std::int32_t>(Items.size()); }
  // Null outside 0 .. count-1.
  TKvenXmlNode1* GetNode(std::int32_t index) const;
  TKvenXmlNode1* GetItem(std::int32_t index) const { return GetNode(index); }
  // Takes the node out without destroying it; the caller then owns it and must Dispose it before
  // the document it came from ends (its memory is the document's).
  bool Remove(TKvenXmlNode1* node);
  // Destroys every item and everything below it, without recursion however deep the tree.
  void Clear();
  TKvenXmlNode1* GetOwner() const { return Owner; }

private:
  friend class TXmlParser;
  // A copy of the node and everything below it, made in the memory.
  static std::unique_ptr<TKvenXmlNode1> CopyInto(const TKvenXmlNode1& source,
                                                 TKvenXmlDocument1* document,
                                                 std::pmr::memory_resource* memory);
  std::pmr::vector<std::unique_ptr<TKvenXmlNode1>> Items;
  TKvenXmlNode1* Owner;
};

// An element: name, text (its value), attributes and children. Readers return false and leave
// the output untouched when the child is missing; no operation lets an exception escape.
class TKvenXmlNode1 {
public:
  // The document receives the node's messages; not owned, may be null. The node's texts and lists
  // live in the document's memory (the program's heap without a document).
  explicit TKvenXmlNode1(TKvenXmlDocument1* document = nullptr);
  // The same in the given memory.
  TKvenXmlNode1(TKvenXmlDocument1* document, std::pmr::memory_resource* memory);
  // A node whose block, texts and lists all come from the memory; deleting it gives them back.
  static std::unique_ptr<TKvenXmlNode1> Make(TKvenXmlDocument1* document,
                                             std::pmr::memory_resource* memory);
  TKvenXmlNode1(const TKvenXmlNode1&) = delete;
  TKvenXmlNode1& operator=(const TKvenXmlNode1&) = delete;
  virtual ~TKvenXmlNode1();

  // Basic operations.
  std::int32_t GetAttributeCount() const { return static_cast<std::int32_t>(Attributes.size()); }
  // First attribute whose name matches ignoring case; empty when none.
  std::u16string GetAttribute(std::u16string_view name) const;
  std::u16string GetAttributeName(std::int32_t index) const;
  std::u16string GetAttributeValue(std::int32_t index) const;
  TKvenXmlCollection& GetChildNodes() { return ChildNodes; }
  const TKvenXmlCollection& GetChildNodes() const { return ChildNodes; }
  std::u16string_view GetName() const { return Name.Str(); }
  std::u16string_view GetValue() const { return Value; }
  // Compact markup of this element, without white space between tags.
  std::u16string GetXml() const;
  void SetAttribute(const std::u16string& name, const std::u16string& value);
  void SetName(std::u16string_view name) { Name = name; }
  void SetValue(std::u16string_view value) { Value.assign(value); }
  // Parses an element's markup into this node (name, attributes, text, appended children).
  void SetXml(std::u16string_view text) { ParseElement(text); }

  // Own-value readers: the output and an ok flag.
  bool ValueAsBoolean(bool& value) const;
  bool ValueAsDateTime(TDateTime& value) const;
  bool ValueAsInteger(std::int32_t& value) const;
  bool ValueAsInt64(std::int64_t& value) const;
  bool ValueAsLongInt(std::int32_t& value) const { return ValueAsInteger(value); }
  bool ValueAsString(std::u16string& value) const;
  bool ValueAsByte(std::uint8_t& value) const;
  bool ValueAsLargeInt(std::int64_t& value) const { return ValueAsInt64(value); }
  // Own-value writers.
  bool SetValueBoolean(bool value);
  bool SetValueFloat(double value);
  bool SetValueInteger(std::int32_t value);
  bool SetValueString(const std::u16string& value);
  bool SetValueByte(std::uint8_t value);
  bool SetValueInt64(std::int64_t value);

  // Child readers: false and the output untouched when the child is missing.
  virtual bool ReadBoolean(std::u16string_view name, bool& value) const;
  virtual bool ReadDateTime(std::u16string_view name, TDateTime& value) const;
  // Stores the number read so far even when the text is not wholly a number.
  virtual bool ReadFloat(std::u16string_view name, double& value) const;
  virtual bool ReadInteger(std::u16string_view name, std::int32_t& value) const;
  virtual bool ReadInt64(std::u16string_view name, std::int64_t& value) const;
  virtual bool ReadLongInt(std::u16string_view name, std::int32_t& value) const;
  virtual bool ReadString(std::u16string_view name, std::u16string& value) const;
  virtual bool ReadByte(std::u16string_view name, std::uint8_t& value) const;
  virtual bool ReadLargeInt(std::u16string_view name, std::int64_t& value) const;
  virtual bool ReadWideString(std::u16string_view name, std::u16string& value) const;
  // Child writers: create the child at the end when missing; false for an empty name.
  virtual bool WriteBoolean(const std::u16string& name, bool value);
  virtual bool WriteFloat(const std::u16string& name, double value);
  virtual bool WriteDouble(const std::u16string& name, double value);
  virtual bool WriteInteger(const std::u16string& name, std::int32_t value);
  virtual bool WriteLargeInt(const std::u16string& name, std::int64_t value);
  virtual bool WriteLongInt(const std::u16string& name, std::int32_t value);
  // An empty name does nothing and still succeeds.
  virtual bool WriteString(const std::u16string& name, const std::u16string& value);
  virtual bool WriteByte(const std::u16string& name, std::uint8_t value);
  virtual bool WriteInt64(const std::u16string& name, std::int64_t value);
  // Destroys a node that no collection owns.
  virtual void Dispose();

  // GetChild with the name, then parses the text into that child; the parse result.
  bool SetChildXml(const std::u16string& name, std::u16string_view text);

  // Further operations.
  // Empties the attributes and destroys every child; name and value stay.
  void Clear();
  std::int32_t ChildCount() const { return ChildNodes.GetCount(); }
  TKvenXmlNode1* FindChild(std::u16string_view name) const { return ChildNodes.Find(name); }
  bool HasChild(std::u16string_view name) const { return FindChild(name) != nullptr; }
  // FindChild, or a new child appended at the end; null for an empty name.
  TKvenXmlNode1* GetChild(const std::u16string& name) { return ChildNodes.GetOrAdd(name); }
  // Appends a new child without looking for an existing one.
  TKvenXmlNode1* AddChild(const std::u16string& name) { return ChildNodes.AddNew(name); }
  std::u16string FindAttribute(std::u16string_view name, bool caseSensitive) const;
  // Indented markup: one element per line, two more spaces per level, CR LF line ends.
  std::u16string FormatXml(const std::u16string& indent) const;
  // Takes the name and attributes from a start tag's text.
  void ParseStartTag(std::u16string_view tagText);
  // Parses an element's markup into this node; false, with a logged reason, when the markup is
  // damaged (a '<' without '>', an unclosed element, a mismatched end tag, too deep nesting).
  bool ParseElement(std::u16string_view text);
  // Passes a message to the document, if any.
  void Log(TLogGroupMessage group, TLogTypeMessage type, const std::string& format,
           const TLogArgs& args) const;
  // Logs the error that ends the load under way; it becomes the document's Failure.
  void Fail(const std::string& format, const TLogArgs& args) const;

  TKvenXmlDocument1* GetDocument() const { return Document; }
  const TAttributes& GetAttributes() const { return Attributes; }
  std::pmr::memory_resource* GetMemory() const { return Memory; }

  // A node made by Make gives its block back to its memory; any other to the heap.
  static void operator delete(TKvenXmlNode1* node, std::destroying_delete_t) noexcept;

private:
  friend class TKvenXmlCollection;
  friend class TKvenXmlDocument1;
  friend class TXmlParser;

  std::pmr::memory_resource* Memory;
  std::pmr::memory_resource* Block = nullptr; // where Make took the node's block from
  TAttributes Attributes;
  TKvenXmlCollection ChildNodes;
  TKvenXmlDocument1* Document;
  TXmlName Name;
  std::pmr::u16string Value;
};

// A whole document: declaration data, the root element and the file it belongs to.
class TKvenXmlDocument1 {
public:
  // A non-empty file name is loaded at once; that result is not reported.
  explicit TKvenXmlDocument1(std::u16string fileName = {}, TAddToLog onLog = {});
  TKvenXmlDocument1(const TKvenXmlDocument1&) = delete;
  TKvenXmlDocument1& operator=(const TKvenXmlDocument1&) = delete;
  virtual ~TKvenXmlDocument1();

  // Reads a Windows-1251 file into the root; an empty name means FileName. Fails, with the
  // reason, when the file cannot be read or does not parse.
  TResult LoadFromFile(const std::u16string& fileName);
  // Parses a whole document text: leading declarations, then the root element.
  bool LoadXml(std::u16string_view text);
  // As LoadXml, for text in Windows-1251 bytes.
  bool LoadXmlBytes(std::string_view bytes);
  // The declaration line and the indented tree.
  std::u16string GetXml() const;
  // GetXml in Windows-1251 bytes; characters the code page lacks become character references.
  // Empty when memory runs out.
  TByteBuffer GetXmlBytes() const;
  // Replaces the file atomically with GetXmlBytes and one more CR LF; an empty name means
  // FileName, which does not change. Fails, with the reason and the old file untouched, on any
  // failure.
  TResult SaveToFile(const std::u16string& fileName);
  // Receives every leading processing instruction whose target is not "xml".
  virtual bool OnInstruction(TKvenXmlNode1* node);
  virtual void Dispose();
  bool Log(TLogGroupMessage group, TLogTypeMessage type, const std::string& format,
           const TLogArgs& args) const;
  // Logs the error that ends the load or save under way and keeps the first such text of it as
  // Failure. Always false.
  bool Fail(const std::string& format, const TLogArgs& args) const;
  // Why the last load or save failed; empty when it did not, or failed without a word.
  const std::string& Failure() const { return FailureText; }

  TKvenXmlNode1* GetRoot() const { return Root.get(); }
  // Whether the text of the last load held an element; text without markup loads as the root's
  // value and leaves this false.
  bool HasElement() const { return ElementRead; }

  std::u16string Encoding = u"Windows-1251";
  std::u16string FileName;
  TAddToLog OnLog;
  std::u16string Version = u"1.0";

private:
  friend class TKvenXmlNode1;
  template <class TSource> bool LoadSource(const TSource& source);

  // Every node of the tree, and all it holds, lives here and goes at once with the document.
  std::pmr::unsynchronized_pool_resource Memory;
  std::unique_ptr<TKvenXmlNode1> Root;
  bool ElementRead = false;
  mutable std::string FailureText;
};
