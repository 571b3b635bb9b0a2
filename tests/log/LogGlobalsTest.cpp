#include "log/unLogGlobals.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace std::string_literals;

namespace {

// A document that answers AddToLogW with 0 and records what reached it.
class TRecordingDocument : public TLogDocumentA {
public:
  TRecordingDocument() : TLogDocumentA(lUnknown, u"", nullptr) {}
  std::int32_t AddToLogW(TLogGroupMessage group, TLogTypeMessage type, const std::u16string& format,
                         const TLogArgs& args) override {
    Received.push_back({group, type, format, args});
    return 0;
  }
  struct TCall {
    TLogGroupMessage Group;
    TLogTypeMessage Type;
    std::u16string Format;
    TLogArgs Args;
  };
  std::vector<TCall> Received;
};

using TDocumentPtr = std::unique_ptr<TRecordingDocument, TLogDisposer>;

TDocumentPtr NewDocument() {
  return TDocumentPtr(new TRecordingDocument);
}

} // namespace

TEST(LogEnumerations, CodesAndAbbreviations) {
  EXPECT_EQ(LogGroupCodes[lgGeneral], 4);
  EXPECT_EQ(LogGroupCodes[lgUser], 256);
  EXPECT_STREQ(LogGroupAbbreviations[lgDataBase], "DB");
  EXPECT_STREQ(LogGroupAbbreviations[lgUser], "Usr");
  EXPECT_EQ(LogTypeCodes[ltInformation], 4);
  EXPECT_STREQ(LogTypeAbbreviations[ltError], "E");
  EXPECT_EQ((TLogTypeSet{lFile, lWindow, lLogSystem}).ToByte(), 14);
  TLogTypeSet set = TLogTypeSet::FromByte(14);
  EXPECT_TRUE(set.Contains(lWindow));
  EXPECT_FALSE(set.Contains(lDocuments));
  EXPECT_FALSE(set.Contains(lProgram));
}

TEST(LogDocumentA, AddNodeNumbersFromTheNodeCount) {
  auto doc = NewDocument();
  std::vector<std::int32_t> ids;
  for (std::int32_t asked : {0, 0, 5, 0, 0})
    ids.push_back(doc->AddNode(ltInformation, "text", 0, asked)->ID);
  EXPECT_EQ(ids, (std::vector<std::int32_t>{1, 2, 5, 4, 5}));
}

TEST(LogDocumentA, FindNodeReturnsTheOldestOfEqualIds) {
  auto doc = NewDocument();
  EXPECT_EQ(doc->FindNode(3), nullptr);
  TLogNode* first = doc->AddNode(ltNone, "a", 0, 3);
  doc->AddNode(ltNone, "b", 0, 3);
  EXPECT_EQ(doc->FindNode(3), first);
  EXPECT_EQ(doc->FindNode(4), nullptr);
}

TEST(LogDocumentA, NodeTextStartsWithTheTimeAndKeepsTheParent) {
  auto doc = NewDocument();
  TLogNode* node = doc->AddNode(ltError, "Сообщение", 7, 0);
  std::u16string text;
  ASSERT_EQ(node->GetText(text), LogStatusOk);
  // "dd.mm.yyyy hh:mm:ss " then the text
  ASSERT_EQ(text.size(), 20u + 9u);
  EXPECT_EQ(text.substr(2, 1), u".");
  EXPECT_EQ(text.substr(13, 1), u":");
  EXPECT_EQ(text.substr(20), u"Сообщение");
  EXPECT_EQ(node->ParentID, 7);
  EXPECT_EQ(node->Document, doc.get());
}

TEST(LogNode, SetGroupTypeAndMarkTakeOnlyKnownCodes) {
  auto doc = NewDocument();
  TLogNode* node = doc->AddNode(ltNone, "n", 0, 0);
  std::int32_t code = -1;
  EXPECT_EQ(node->GetType(code), LogStatusOk);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(node->SetGroup(3), LogStatusOk); // 3 is not a code
  EXPECT_EQ(node->Group, lgNone);
  EXPECT_EQ(node->SetGroup(4), LogStatusOk);
  EXPECT_EQ(node->Group, lgGeneral);
  node->GetGroup(code);
  EXPECT_EQ(code, 4);
  EXPECT_EQ(node->SetType(2), LogStatusOk);
  EXPECT_EQ(node->Type, ltWarning);
  EXPECT_EQ(node->SetType(3), LogStatusOk);
  EXPECT_EQ(node->Type, ltWarning);
  EXPECT_EQ(node->SetMark(16), LogStatusOk);
  EXPECT_EQ(node->Mark, 1);
  node->GetMark(code);
  EXPECT_EQ(code, 16);
  ILogDocument* owner = nullptr;
  node->GetDocument(owner);
  EXPECT_EQ(owner, static_cast<ILogDocument*>(doc.get()));
}

TEST(LogNode, LogsUnderItselfThroughTheNewNodeFormat) {
  auto doc = NewDocument();
  TLogNode* node = doc->AddNode(ltNone, "n", 0, 7);
  EXPECT_EQ(node->AddToLogW(lgGeneral, ltError, u"Ошибка %d: %s", {TLogArg(3), TLogArg("x"s)}), 0);
  ASSERT_EQ(doc->Received.size(), 1u);
  const auto& call = doc->Received[0];
  EXPECT_EQ(call.Group, lgGeneral);
  EXPECT_EQ(call.Type, ltError);
  EXPECT_EQ(call.Format, u"###<NewNode ParentNodeID=%d>%s</NewNode>");
  EXPECT_EQ(FormatLog("###<NewNode ParentNodeID=%d>%s</NewNode>", call.Args),
            "###<NewNode ParentNodeID=7>Ошибка 3: x</NewNode>");
  // AddToLog is true only for results above 0, and this document answers 0.
  EXPECT_FALSE(node->AddToLog(lgGeneral, ltError, "m", {}));
  EXPECT_EQ(doc->Received.size(), 2u);
}

TEST(LogNode, FormatMismatchReturnsMinusOneWithoutReachingTheDocument) {
  auto doc = NewDocument();
  TLogNode* node = doc->AddNode(ltNone, "n", 0, 0);
  EXPECT_EQ(node->AddToLogW(lgGeneral, ltError, u"%d and %d", {TLogArg(1)}), -1);
  EXPECT_EQ(node->AddToLogW(lgGeneral, ltError, u"%d", {TLogArg("text"s)}), -1);
  EXPECT_TRUE(doc->Received.empty());
}

TEST(LogNode, WithoutADocumentNothingIsTaken) {
  std::unique_ptr<TLogNode, TLogDisposer> node(new TLogNode(nullptr, 0, "x", 1));
  EXPECT_EQ(node->AddToLogW(lgGeneral, ltInformation, u"m", {}), -1);
  EXPECT_FALSE(node->AddToLog(lgGeneral, ltInformation, "m", {}));
}

TEST(LogDocument, AddToLogGoesToTheHandlerUnchanged) {
  auto doc = NewDocument();
  EXPECT_FALSE(doc->AddToLog(lgGeneral, ltInformation, "no handler", {}));
  std::string seen;
  doc->OnAddToLog = [&](TLogGroupMessage g, TLogTypeMessage t, const std::string& f,
                        const TLogArgs& a) {
    seen = FormatLog(f, a) + "/" + std::to_string(g) + "/" + std::to_string(t);
    return true;
  };
  EXPECT_TRUE(doc->AddToLog(lgGeneral, ltError, "v=%d", {TLogArg(9)}));
  EXPECT_EQ(seen, "v=9/3/1");
  EXPECT_TRUE(doc->Received.empty()); // AddToLog does not reach AddToLogW
  EXPECT_EQ(doc->NextID(), 1);
}

TEST(LogTime, ThreeLayouts) {
  TDateTime t = EncodeDateTime({2026, 12, 7, 5, 33, 29, 123});
  EXPECT_EQ(FormatNodeTime(t), "07.12.2026 05:33:29");
  EXPECT_EQ(FormatFileLineTime(t), "2026.12.07 05:33:29:123");
  EXPECT_EQ(FormatWindowTime(t), "33:29:123");
  // Every field keeps its width: milliseconds below 100 and single digits are padded with zeros.
  for (auto [ms, text] : {std::pair{7, "007"}, std::pair{45, "045"}, std::pair{0, "000"}}) {
    const TDateTime early = EncodeDateTime({2026, 1, 2, 3, 4, 5, ms});
    EXPECT_EQ(FormatFileLineTime(early), std::string("2026.01.02 03:04:05:") + text);
    EXPECT_EQ(FormatWindowTime(early), std::string("04:05:") + text);
    EXPECT_EQ(FormatNodeTime(early), "02.01.2026 03:04:05");
  }
}

namespace {

// The virtual-table slot of a virtual member function (the Itanium C++ ABI stores the slot's byte
// offset plus one in a pointer to a virtual member).
template <class TMember> std::ptrdiff_t Slot(TMember member) {
  std::ptrdiff_t word = 0;
  std::memcpy(&word, &member, sizeof word);
  return (word - 1) / static_cast<std::ptrdiff_t>(sizeof(void*));
}

} // namespace

TEST(LogDocument, VirtualOperationsKeepTheirSlotOrder) {
  const std::ptrdiff_t slots[] = {
      Slot(&TLogDocument::SetOnCommand), Slot(&TLogDocument::LoadConfig),
      Slot(&TLogDocument::SaveConfig),   Slot(&TLogDocument::Close),
      Slot(&TLogDocument::FindNode),     Slot(&TLogDocument::Open),
      Slot(&TLogDocument::AddNode),      Slot(&TLogDocument::Show)};
  for (std::size_t i = 1; i < std::size(slots); ++i)
    EXPECT_EQ(slots[i], slots[i - 1] + 1) << "operation " << i;
  EXPECT_LT(Slot(&TLogNode::AddToLog), Slot(&TLogNode::Dispose));
  EXPECT_LT(Slot(&TLogNode::Dispose), Slot(&TLogNode::AddToLogW));
  EXPECT_LT(Slot(&TLogNode::AddToLogW), slots[0]);
}
