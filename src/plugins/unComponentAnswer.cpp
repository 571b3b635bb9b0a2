#include "plugins/unComponentAnswer.h"

#include "platform/unLogFormat.h"
#include "platform/unStrings.h"
#include "plugins/unLibrary.h"
#include "plugins/unPluginCall.h"

#include <dlfcn.h>

namespace {

// A text field holding UTF-16 code units; an odd byte count fails the reader.
bool ReadU16(TMessageReader& reader, std::u16string& out) {
  const std::string bytes = reader.Text();
  if (bytes.size() % 2)
    return false;
  out.resize(bytes.size() / 2);
  for (std::size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                   (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  return true;
}

void WriteU16(TMessageWriter& writer, const std::u16string& text) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (const char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xff));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  writer.Text(bytes);
}

std::u16string* InfoFields(TComponentInfo& info, std::size_t i) {
  std::u16string* const fields[] = {&info.Name,   &info.Title,     &info.Description,
                                    &info.Author, &info.Copyright, &info.HomePage};
  return fields[i];
}

} // namespace

TComponentAnswer FailedAnswer(std::string cause) {
  TComponentAnswer answer;
  answer.Cause = std::move(cause);
  return answer;
}

TMessageWriter EncodeAnswer(const TComponentAnswer& answer) {
  TMessageWriter w(DescribedKind);
  w.U8(answer.Ok).Text(answer.Cause);
  TComponentInfo info = answer.Info;
  for (std::size_t i = 0; i < 6; ++i)
    WriteU16(w, *InfoFields(info, i));
  w.I32(answer.Version.Major).I32(answer.Version.Minor).I32(answer.Version.Release);
  w.I32(answer.Version.Build);
  w.U8(static_cast<std::uint8_t>(answer.HasRun | answer.HasLoad << 1 | answer.HasUnLoad << 2 |
                                 answer.Executes << 3));
  WriteU16(w, answer.ParamIn);
  WriteU16(w, answer.ParamOut);
  w.I32(static_cast<std::int32_t>(answer.Log.size()));
  for (const THostLogEntry& entry : answer.Log)
    w.U8(static_cast<std::uint8_t>(entry.Type)).Text(entry.Text);
  return w;
}

bool DecodeAnswer(TMessageReader& r, TComponentAnswer& answer) {
  if (r.Kind() != DescribedKind)
    return false;
  answer = {};
  answer.Ok = r.U8() != 0;
  answer.Cause = r.Text();
  bool good = true;
  for (std::size_t i = 0; i < 6; ++i)
    good = ReadU16(r, *InfoFields(answer.Info, i)) && good;
  answer.Version = {r.I32(), r.I32(), r.I32(), r.I32()};
  const std::uint8_t flags = r.U8();
  answer.HasRun = flags & 1;
  answer.HasLoad = flags & 2;
  answer.HasUnLoad = flags & 4;
  answer.Executes = flags & 8;
  good = ReadU16(r, answer.ParamIn) && ReadU16(r, answer.ParamOut) && good;
  const std::uint32_t entries = r.Count(5);
  for (std::uint32_t i = 0; i < entries && r.Ok(); ++i) {
    const std::uint8_t type = r.U8();
    std::string text = r.Text();
    if (type > ltInformation)
      return false;
    answer.Log.push_back({static_cast<TLogTypeMessage>(type), ValidUtf8(text)});
  }
  answer.Cause = ValidUtf8(answer.Cause);
  return good && r.Ok() && r.AtEnd();
}

namespace {

// The questions of a description, in their order; stops at the first that fails.
void Ask(TKvenLibrary& library, TComponentAnswer& answer) {
  auto fail = [&answer](std::string cause) {
    answer.Ok = false;
    answer.Cause = std::move(cause);
  };
  if (!library.Initialize())
    return fail("библиотека не загружается: " + library.GetLastError());
  const auto info = reinterpret_cast<TZUPluginInfo>(library.FindProcedure(u"ZU_Plugin_Info"));
  if (!info)
    return fail("нет процедуры ZU_Plugin_Info");
  TZUInfo record{};
  TZUVersion version{0, 0, 0, 0};
  const bool answered = GuardedPluginCall([&] { info(&record, &version); });
  // Whatever the plug-in put into the record before it failed is the host's to free.
  TakeInfo(record, answer.Info);
  answer.Version = version;
  if (!answered)
    return fail("исключение в ZU_Plugin_Info");
  answer.Ok = true;
  const auto run = reinterpret_cast<TZUPluginRun>(library.FindProcedure(u"ZU_Plugin_Run"));
  answer.HasRun = run != nullptr;
  if (!run)
    return;
  // One text variable for both commands, not emptied in between: a plug-in that leaves it alone
  // for the outputs repeats its inputs there.
  BSTR text = nullptr;
  for (std::u16string* list : {&answer.ParamIn, &answer.ParamOut}) {
    const std::int32_t command = list == &answer.ParamIn ? ZU_RUN_PARAM_IN : ZU_RUN_PARAM_OUT;
    if (!GuardedPluginCall([&] { run(command, 0, &text); })) {
      SysFreeString(text);
      return fail("исключение в ZU_Plugin_Run");
    }
    if (ParamTextTooLong(text)) {
      SysFreeString(text);
      return fail(ParamTextTooLongCause);
    }
    *list = BstrText(text);
  }
  SysFreeString(text);
  answer.HasLoad = library.FindProcedure(u"ZU_Plugin_Load") != nullptr;
  if (!answer.HasLoad)
    return;
  answer.HasUnLoad = library.FindProcedure(u"ZU_Plugin_UnLoad") != nullptr;
  // The mark is data, not a procedure: looked up without a message.
  const auto* mark =
      static_cast<const std::int32_t*>(dlsym(library.GetHandle(), "ZU_Plugin_Execution"));
  answer.Executes = answer.HasUnLoad && mark && *mark >= 1;
}

} // namespace

TComponentAnswer DescribeHere(const std::string& file, bool logWrapper) {
  TComponentAnswer answer;
  TAddToLog log;
  if (logWrapper)
    log = [&answer](TLogGroupMessage, TLogTypeMessage type, const std::string& format,
                    const TLogArgs& args) {
      answer.Log.push_back({type, FormatLogOrAsIs(format, args)});
      return true;
    };
  TKvenLibrary library(log);
  library.SetFileName(Utf8ToUtf16(file));
  Ask(library, answer);
  // Unloaded, with its messages, on every path that loaded it.
  if (library.GetHandle())
    library.Finalize();
  return answer;
}
