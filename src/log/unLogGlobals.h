#pragma once

#include "platform/unDateTime.h"
#include "platform/unLogFormat.h"
#include "platform/unTypes.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

enum TLogGroupMessage : std::uint8_t {
  lgNone,
  lgNetwork,
  lgSetup,
  lgGeneral,
  lgDataBase,
  lgKey,
  lgEquipment,
  lgAlgorithm,
  lgSystem,
  lgUser
};

enum TLogTypeMessage : std::uint8_t { ltNone, ltError, ltWarning, ltInformation };

// Indexed by ordinal.
extern const std::array<std::int32_t, 10> LogGroupCodes;
extern const std::array<const char*, 10> LogGroupAbbreviations;
extern const std::array<std::int32_t, 4> LogTypeCodes;
extern const std::array<const char*, 4> LogTypeAbbreviations;
// The abbreviation of a group or type ordinal, or unknown outside the table.
const char* LogGroupAbbreviation(std::int64_t ordinal, const char* unknown);
const char* LogTypeAbbreviation(std::int64_t ordinal, const char* unknown);
// Codes of the six mark indices.
extern const std::array<std::int32_t, 6> LogMarkCodes;

enum TLogType : std::uint8_t { lDocuments, lFile, lWindow, lLogSystem, lProgram, lUnknown };

// A set of TLogType in one byte, bit n standing for item n.
class TLogTypeSet {
public:
  constexpr TLogTypeSet() = default;
  constexpr TLogTypeSet(std::initializer_list<TLogType> items) {
    for (TLogType t : items)
      Bits |= static_cast<std::uint8_t>(1U << t);
  }
  static constexpr TLogTypeSet FromByte(std::uint8_t bits) {
    TLogTypeSet s;
    s.Bits = bits;
    return s;
  }
  constexpr std::uint8_t ToByte() const { return Bits; }
  constexpr bool Contains(TLogType t) const { return (Bits >> t) & 1U; }
  constexpr void Include(TLogType t) { Bits |= static_cast<std::uint8_t>(1U << t); }
  constexpr void Exclude(TLogType t) { Bits &= static_cast<std::uint8_t>(~(1U << t)); }
  friend constexpr bool operator==(TLogTypeSet, TLogTypeSet) = default;

private:
  std::uint8_t Bits = 0;
};

// A log handler: group, type, narrow format and its arguments. The result is informational.
using TAddToLog =
    std::function<bool(TLogGroupMessage, TLogTypeMessage, const std::string&, const TLogArgs&)>;
// Calls the handler when it is set; false without one or when it fails. Exceptions stay inside.
bool CallLogHandler(const TAddToLog& handler, TLogGroupMessage group, TLogTypeMessage type,
                    const std::string& format, const TLogArgs& args);

// A command handler taking one wide text.
using TKvenMessage = std::function<TWordBool(const std::u16string&)>;

// Status of the node interface: 0 is success.
using TLogStatus = std::int32_t;
inline constexpr TLogStatus LogStatusOk = 0;
inline constexpr TLogStatus LogStatusFail = 1;

// Identity of a log document. Holding it does not keep the document alive.
class ILogDocument {
public:
  virtual ~ILogDocument() = default;
};

// One remembered log entry. Every operation reports failure as a status and never throws;
// group, type and mark travel as their codes.
class ILogNode {
public:
  virtual ~ILogNode() = default;
  virtual TLogStatus GetDocument(ILogDocument*& document) = 0;
  virtual TLogStatus GetGroup(std::int32_t& code) = 0;
  virtual TLogStatus GetID(std::int32_t& id) = 0;
  virtual TLogStatus GetType(std::int32_t& code) = 0;
  virtual TLogStatus GetParentID(std::int32_t& id) = 0;
  virtual TLogStatus GetMark(std::int32_t& code) = 0;
  virtual TLogStatus GetText(std::u16string& text) = 0;
  // A code that is not in the table leaves the value unchanged and still succeeds.
  virtual TLogStatus SetGroup(std::int32_t code) = 0;
  virtual TLogStatus SetID(std::int32_t id) = 0;
  virtual TLogStatus SetType(std::int32_t code) = 0;
  virtual TLogStatus SetText(const std::u16string& text) = 0;
  virtual TLogStatus SetParentID(std::int32_t id) = 0;
  virtual TLogStatus SetMark(std::int32_t code) = 0;
};

class TLogDocument;

// Created by its owner and destroyed through Dispose.
class TLogNode : public ILogNode {
public:
  TLogNode(TLogDocument* document, std::int32_t parentId, const std::string& text, std::int32_t id);
  TLogNode(const TLogNode&) = delete;
  TLogNode& operator=(const TLogNode&) = delete;

  // Widens the format and logs through AddToLogW; true when that gave more than 0.
  virtual bool AddToLog(TLogGroupMessage group, TLogTypeMessage type, const std::string& format,
                        const TLogArgs& args);
  virtual void Dispose();
  // Logs the formatted message under this node to its document; -1 when there is no document,
  // the format does not fit the arguments, or anything fails on the way.
  virtual std::int32_t AddToLogW(TLogGroupMessage group, TLogTypeMessage type,
                                 const std::u16string& format, const TLogArgs& args);

  TLogStatus GetDocument(ILogDocument*& document) override;
  TLogStatus GetGroup(std::int32_t& code) override;
  TLogStatus GetID(std::int32_t& id) override;
  TLogStatus GetType(std::int32_t& code) override;
  TLogStatus GetParentID(std::int32_t& id) override;
  TLogStatus GetMark(std::int32_t& code) override;
  TLogStatus GetText(std::u16string& text) override;
  TLogStatus SetGroup(std::int32_t code) override;
  TLogStatus SetID(std::int32_t id) override;
  TLogStatus SetType(std::int32_t code) override;
  TLogStatus SetText(const std::u16string& text) override;
  TLogStatus SetParentID(std::int32_t id) override;
  TLogStatus SetMark(std::int32_t code) override;

  TDateTime TimeStamp = 0;
  std::int32_t ID = 0;
  std::u16string Text;
  TLogTypeMessage Type = ltNone;
  TLogGroupMessage Group = lgNone;
  TLogDocument* Document = nullptr; // not owned
  std::int32_t ParentID = 0;
  std::uint8_t Mark = 0; // index into LogMarkCodes

protected:
  ~TLogNode() override = default;
};

// Calls Dispose; for owners that hold nodes and documents in smart pointers.
struct TLogDisposer {
  void operator()(TLogNode* node) const {
    if (node)
      node->Dispose();
  }
};

// Reserved configuration object of a document.
class TConfigLogDocument {};

// A log destination. Concrete documents keep this slot order and override a subset.
class TLogDocument : public TLogNode, public ILogDocument {
public:
  TLogDocument(TLogType logType, const std::u16string& text, TLogDocument* owner);

  // Passes the call unchanged to OnAddToLog; false without one. A handler's exception propagates.
  bool AddToLog(TLogGroupMessage group, TLogTypeMessage type, const std::string& format,
                const TLogArgs& args) override;
  std::int32_t AddToLogW(TLogGroupMessage group, TLogTypeMessage type, const std::u16string& format,
                         const TLogArgs& args) override;
  virtual void SetOnCommand(TKvenMessage handler);
  virtual bool LoadConfig();
  virtual bool SaveConfig();
  virtual bool Close();
  virtual TLogNode* FindNode(std::int32_t id);
  virtual bool Open();
  virtual TLogNode* AddNode(TLogTypeMessage type, const std::string& text, std::int32_t parentId,
                            std::int32_t id);
  virtual void Show();

  TLogType GetLogType() const { return LogType; }
  const TKvenMessage& GetOnCommand() const { return OnCommand; }

  TAddToLog OnAddToLog;
  TConfigLogDocument* Config = nullptr; // not owned

private:
  TLogType LogType;
  TKvenMessage OnCommand;
};

// A document that keeps the nodes it creates, in creation order, and owns them.
class TLogDocumentA : public TLogDocument {
public:
  using TLogDocument::TLogDocument;

  std::int32_t NextID() const;
  // The oldest node with the id, or null.
  TLogNode* FindNode(std::int32_t id) override;
  // Creates a node whose text is the local time, a space and the text; id 0 takes NextID.
  TLogNode* AddNode(TLogTypeMessage type, const std::string& text, std::int32_t parentId,
                    std::int32_t id) override;
  const std::vector<std::unique_ptr<TLogNode, TLogDisposer>>& GetNodes() const { return Nodes; }

private:
  std::vector<std::unique_ptr<TLogNode, TLogDisposer>> Nodes;
};

// day.month.year hours:minutes:seconds
std::string FormatNodeTime(TDateTime time);
// year.month.day hours:minutes:seconds:milliseconds
std::string FormatFileLineTime(TDateTime time);
// minutes:seconds:milliseconds
std::string FormatWindowTime(TDateTime time);
