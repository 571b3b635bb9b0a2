#include "plugins/unHostMessage.h"
#include "plugins/unHostProtocol.h"
#include "plugins/unRunHost.h"
#include "plugins/unRunPlan.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TComponentAnswer FullAnswer() {
  TComponentAnswer a;
  a.Ok = true;
  a.Info = {u"Name", u"Заголовок", u"Desc", u"Author", u"(c)", u"https://x"};
  a.Version = {1, -2, 3, 4};
  a.HasRun = true;
  a.HasLoad = false;
  a.HasUnLoad = true;
  a.Executes = true;
  a.ParamIn = u"<P><Param><Name>a</Name></Param></P>";
  a.ParamOut = std::u16string(u"x\xD800y", 3); // a lone surrogate comes through as it is
  a.Log = {{ltInformation, "Инициализировано"}, {ltError, "Адрес не получен"}};
  return a;
}

TRunPlan TwoModulePlan() {
  TRunPlan plan;
  plan.RateHz = 12.5;
  plan.Ticks = 7;
  plan.ReportMs = 20;
  plan.Modules = {{"/a/Gen.so", "Gen", {"Signal"}, {{"Period", -1, -1, "8"}}, false, {}},
                  {"/a/Add.so",
                   "Sub/Add",
                   {"Sum", "Over"},
                   {{"A", 0, 0, ""}, {"B", -1, -1, "x\ny"}},
                   true,
                   {rkDouble, rkBool}}};
  plan.Watch = {{1, 0}, {0, 0}};
  return plan;
}

} // namespace

TEST(HostMessage, FieldsReadBackAndAShortMessageFailsTheReader) {
  const std::string payload =
      TMessageWriter('K').U8(200).I32(-5).I64(1LL << 40).Text("тэкст").Payload();
  TMessageReader r(payload);
  EXPECT_EQ(r.Kind(), 'K');
  EXPECT_EQ(r.U8(), 200);
  EXPECT_EQ(r.I32(), -5);
  EXPECT_EQ(r.I64(), 1LL << 40);
  EXPECT_EQ(r.Text(), "тэкст");
  EXPECT_TRUE(r.Ok());
  EXPECT_TRUE(r.AtEnd());
  EXPECT_EQ(r.I32(), 0); // nothing left
  EXPECT_FALSE(r.Ok());
  EXPECT_EQ(r.Text(), ""); // and stays failed
  // A text longer than what follows, and a count of more items than bytes.
  TMessageReader longText(TMessageWriter('K').I32(1000).Payload() + "abc");
  EXPECT_EQ(longText.Text(), "");
  EXPECT_FALSE(longText.Ok());
  TMessageReader many(TMessageWriter('K').I32(10).Payload() + std::string(9, 'x'));
  EXPECT_EQ(many.Count(1), 0u);
  EXPECT_FALSE(many.Ok());
  TMessageReader enough(TMessageWriter('K').I32(10).Payload() + std::string(10, 'x'));
  EXPECT_EQ(enough.Count(1), 10u);
  EXPECT_TRUE(enough.Ok());
}

TEST(HostMessage, FramesComeWholeHoweverTheBytesArrive) {
  const std::string stream = TMessageWriter('A').Text("one").Frame() + TMessageWriter('B').Frame() +
                             TMessageWriter('C').Text(std::string(70000, 'z')).Frame();
  for (const std::size_t piece :
       {std::size_t{1}, std::size_t{3}, std::size_t{4096}, stream.size()}) {
    TFrameBuffer frames;
    std::vector<std::string> got;
    std::string payload;
    for (std::size_t at = 0; at < stream.size(); at += piece) {
      frames.Append(stream.data() + at, std::min(piece, stream.size() - at));
      while (frames.Next(payload))
        got.push_back(payload);
    }
    ASSERT_EQ(got.size(), 3u) << piece;
    EXPECT_EQ(got[0], TMessageWriter('A').Text("one").Payload());
    EXPECT_EQ(got[1], "B");
    EXPECT_EQ(got[2].size(), 1u + 4 + 70000);
    EXPECT_TRUE(frames.Empty());
    EXPECT_FALSE(frames.Broken());
  }
  // A frame announcing more than the limit breaks the stream before anything is kept.
  TFrameBuffer hostile;
  const std::string header{'\x01', '\x00', '\x00', '\x04'}; // 64 MiB + 1
  hostile.Append(header.data(), header.size());
  std::string payload;
  EXPECT_FALSE(hostile.Next(payload));
  EXPECT_TRUE(hostile.Broken());
  TFrameBuffer largest;
  const std::string limit{'\x00', '\x00', '\x00', '\x04'}; // exactly 64 MiB: waits for its bytes
  largest.Append(limit.data(), limit.size());
  EXPECT_FALSE(largest.Next(payload));
  EXPECT_FALSE(largest.Broken());
}

TEST(HostMessage, AnAnswerComesBackWholeAndEveryCutOfItIsRefused) {
  const TComponentAnswer sent = FullAnswer();
  const std::string payload = Encode(sent).Payload();
  TComponentAnswer got;
  TMessageReader r(payload);
  ASSERT_TRUE(Decode(r, got));
  EXPECT_EQ(got.Ok, sent.Ok);
  EXPECT_EQ(got.Info.Title, sent.Info.Title);
  EXPECT_EQ(got.Info.HomePage, sent.Info.HomePage);
  EXPECT_EQ(got.Version.Minor, -2);
  EXPECT_EQ(got.Version.Build, 4);
  EXPECT_TRUE(got.HasRun);
  EXPECT_FALSE(got.HasLoad);
  EXPECT_TRUE(got.HasUnLoad);
  EXPECT_TRUE(got.Executes);
  EXPECT_EQ(got.ParamIn, sent.ParamIn);
  EXPECT_EQ(got.ParamOut, sent.ParamOut);
  EXPECT_EQ(got.Log, sent.Log);
  for (std::size_t cut = 0; cut < payload.size(); ++cut) {
    TMessageReader shorter(payload.substr(0, cut));
    TComponentAnswer broken;
    EXPECT_FALSE(Decode(shorter, broken)) << cut;
  }
  TMessageReader longer(payload + "x");
  EXPECT_FALSE(Decode(longer, got));
  // A log entry of an unknown type, and an odd number of bytes for UTF-16 text.
  TComponentAnswer badType = sent;
  badType.Log = {{static_cast<TLogTypeMessage>(9), "?"}};
  TMessageReader typed(Encode(badType).Payload());
  EXPECT_FALSE(Decode(typed, got));
  TMessageWriter odd(THostKind::Described);
  odd.U8(1).Text("").Text("abc");
  TMessageReader oddReader(odd.Payload());
  EXPECT_FALSE(Decode(oddReader, got));
}

TEST(HostMessage, APlanComesBackWholeAndOnlyLinksBackwardsAreTaken) {
  const TRunPlan plan = TwoModulePlan();
  TRunPlan got;
  TMessageReader r(Encode(plan).Payload());
  ASSERT_TRUE(Decode(r, got));
  EXPECT_EQ(got, plan);
  const struct {
    const char* What;
    std::function<void(TRunPlan&)> Change;
  } broken[] = {
      {"a module fed by itself", [](TRunPlan& p) { p.Modules[1].Inputs[0].FromModule = 1; }},
      {"a module fed by a later one", [](TRunPlan& p) { p.Modules[0].Inputs[0].FromModule = 1; }},
      {"an output that is not there", [](TRunPlan& p) { p.Modules[1].Inputs[0].FromOutput = 1; }},
      {"a negative source", [](TRunPlan& p) { p.Modules[1].Inputs[0].FromModule = -2; }},
      {"a watch of no module", [](TRunPlan& p) { p.Watch[0].Module = 2; }},
      {"a watch of no output", [](TRunPlan& p) { p.Watch[1].Output = 1; }},
      {"negative ticks", [](TRunPlan& p) { p.Ticks = -1; }},
      {"a negative rate", [](TRunPlan& p) { p.RateHz = -1; }},
  };
  for (const auto& [what, change] : broken) {
    TRunPlan bad = plan;
    change(bad);
    TMessageReader reader(Encode(bad).Payload());
    EXPECT_FALSE(Decode(reader, got)) << what;
  }
  const std::string payload = Encode(plan).Payload();
  for (std::size_t cut = 0; cut < payload.size(); ++cut) {
    TMessageReader shorter(payload.substr(0, cut));
    EXPECT_FALSE(Decode(shorter, got)) << cut;
  }
}

TEST(HostMessage, ValuesEscapeTheirLineBreaksAndBackslashes) {
  const std::pair<std::string, std::string> rows[] = {
      {"2.5", "2.5"},   {"a\nb", "a\\nb"}, {"a\r\nb", "a\\r\\nb"}, {"C:\\x", "C:\\\\x"},
      {"\\n", "\\\\n"}, {"", ""},          {"a=b", "a=b"},
  };
  for (const auto& [value, escaped] : rows) {
    EXPECT_EQ(EscapeValue(value), escaped) << value;
    EXPECT_EQ(UnescapeValue(escaped), value) << escaped;
  }
  EXPECT_EQ(UnescapeValue("end\\"), "end\\"); // a lone backslash at the end stays
}

namespace {

// A message comes back as it was sent (its encoding the same), every cut of it and one byte more
// are refused, and so is it as any other kind.
template <typename TMessage> void ExpectRoundTrip(const TMessage& sent, const char* what) {
  const std::string payload = Encode(sent).Payload();
  TMessage got;
  TMessageReader r(payload);
  ASSERT_TRUE(Decode(r, got)) << what;
  EXPECT_EQ(Encode(got).Payload(), payload) << what;
  for (std::size_t cut = 0; cut < payload.size(); ++cut) {
    TMessageReader shorter(payload.substr(0, cut));
    EXPECT_FALSE(Decode(shorter, got)) << what << " cut at " << cut;
  }
  TMessageReader longer(payload + "x");
  EXPECT_FALSE(Decode(longer, got)) << what;
  for (const char kind : std::string("HDPXARVWELF?")) {
    if (kind == payload[0])
      continue;
    std::string other = payload;
    other[0] = kind;
    TMessageReader reader(other);
    EXPECT_FALSE(Decode(reader, got)) << what << " as " << kind;
  }
}

} // namespace

TEST(HostProtocol, EveryMessageComesBackAsSentAndNothingElseIsTaken) {
  ExpectRoundTrip(THelloMessage{}, "hello");
  ExpectRoundTrip(THelloMessage{99}, "other hello");
  ExpectRoundTrip(TStopMessage{}, "stop");
  ExpectRoundTrip(TRateMessage{2500}, "rate");
  ExpectRoundTrip(TReadyMessage{3}, "ready");
  ExpectRoundTrip(TValuesMessage{7, {{0, 1, "2.5"}, {2, 0, "текст\nдва"}}}, "values");
  ExpectRoundTrip(TValuesMessage{8, {}}, "no values");
  ExpectRoundTrip(TRowMessage{9, {"1", "", "x y"}}, "row");
  ExpectRoundTrip(TErrorMessage{-1, 0, "сбой"}, "error");
  ExpectRoundTrip(TLogMessage{2, 2, "линия закрыта"}, "log");
  ExpectRoundTrip(TLogMessage{-1, 1, ""}, "host's log");
  ExpectRoundTrip(TEndMessage{100}, "end");
  // A message of no kind the log knows is refused.
  TLogMessage kindless;
  TMessageReader odd(Encode(TLogMessage{0, 7, "x"}).Payload());
  EXPECT_FALSE(Decode(odd, kindless));
  ExpectRoundTrip(FullAnswer(), "answer");
  ExpectRoundTrip(TwoModulePlan(), "plan");
}

TEST(HostProtocol, WhatTheOtherSideSaysOfItselfIsCheckedFirst) {
  EXPECT_EQ(RefusedHello(Encode(THelloMessage{}).Payload()), "");
  EXPECT_EQ(RefusedHello(Encode(THelloMessage{HostProtocolVersion + 1}).Payload()),
            "другая версия протокола компонентов (6, нужна 5)");
  for (const std::string& notHello : {Encode(TEndMessage{1}).Payload(), std::string(),
                                      std::string("H"), Encode(THelloMessage{}).Payload() + "x"})
    EXPECT_EQ(RefusedHello(notHello),
              "другая сторона не представилась: это не процесс компонентов этой версии");
  // A negative rate is no rate; values with invalid UTF-8 come back valid.
  TRateMessage rate;
  TMessageReader negative(Encode(TRateMessage{-5}).Payload());
  EXPECT_FALSE(Decode(negative, rate));
  TRowMessage row;
  TMessageReader bad(Encode(TRowMessage{1, {"a\xff"}}).Payload());
  ASSERT_TRUE(Decode(bad, row));
  EXPECT_EQ(row.Values[0], "a\xEF\xBF\xBD");
}

namespace {

// The values a host tells in its reports of one run of the plan, run in a child of this process
// (whose libraries stay mapped there, never here).
std::vector<TValuesMessage::TValue> Reported(const TRunPlan& plan) {
  int fds[2];
  EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
  const pid_t host = fork();
  if (host == 0) {
    close(fds[0]);
    _exit(RunHostMain(fds[1], -1));
  }
  close(fds[1]);
  std::vector<TValuesMessage::TValue> told;
  TFrameBuffer frames;
  const std::string hello = Encode(THelloMessage{}).Frame(), sent = Encode(plan).Frame();
  EXPECT_EQ(write(fds[0], hello.data(), hello.size()), static_cast<ssize_t>(hello.size()));
  EXPECT_EQ(write(fds[0], sent.data(), sent.size()), static_cast<ssize_t>(sent.size()));
  char buf[4096];
  for (bool end = false; !end;) {
    const ssize_t n = read(fds[0], buf, sizeof buf);
    if (n <= 0)
      break;
    frames.Append(buf, static_cast<std::size_t>(n));
    for (std::string payload; frames.Next(payload);) {
      TMessageReader r(payload);
      TValuesMessage values;
      TEndMessage ended;
      if (Decode(r, values))
        told.insert(told.end(), values.Values.begin(), values.Values.end());
      else if (TMessageReader again(payload); Decode(again, ended))
        end = true;
    }
  }
  close(fds[0]);
  waitpid(host, nullptr, 0);
  return told;
}

} // namespace

TEST(HostRun, AValueIsToldWhenItChangesNotAgainAfterEveryTick) {
  for (const bool numeric : {false, true}) {
    TRunPlan plan;
    plan.RateHz = 0;
    plan.Ticks = 6;
    plan.ReportMs = 0; // a report after every tick
    plan.Modules.push_back(
        {ZU_SAMPLES "/Adder.so", "Add", {"Sum"}, {{"A", -1, -1, "1"}, {"B", -1, -1, "2"}}});
    plan.Modules.back().Numeric = numeric;
    if (numeric)
      plan.Modules.back().OutputKinds = {rkDouble};
    const auto told = Reported(plan);
    ASSERT_EQ(told.size(), 1u) << numeric;
    EXPECT_EQ(told[0].Text, "3");
  }
}
