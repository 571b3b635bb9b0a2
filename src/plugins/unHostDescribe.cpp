#include "plugins/unHostDescribe.h"

#include "plugins/unScanJournal.h"

#include "platform/unLogFormat.h"
#include "platform/unStrings.h"
#include "plugins/unHostProtocol.h"
#include "plugins/unLibrary.h"
#include "plugins/unPluginCall.h"
#include "plugins/unPluginStrings.h"

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
  if (const char* category = library.Category()) {
    // A text of the library's own memory: read no further than a category can be long.
    std::size_t n = 0;
    while (n < MaxCategoryBytes && category[n] != 0)
      ++n;
    answer.Category = ShownText(ValidUtf8(std::string(category, n)), MaxCategoryBytes);
  }
  answer.HasLoad = library.FindProcedure(u"ZU_Plugin_Load") != nullptr;
  if (!answer.HasLoad)
    return;
  answer.HasUnLoad = library.FindProcedure(u"ZU_Plugin_UnLoad") != nullptr;
  answer.Executes = answer.HasUnLoad && library.Executes();
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

bool DescribeInto(int fd, const std::vector<std::string>& files, bool logWrapper, int journalFd) {
  if (!WriteAll(fd, Encode(THelloMessage{}).Frame()))
    return false;
  for (const std::string& file : files) {
    TScanJournal::Note(journalFd, file, true);
    if (!WriteAll(fd, Encode(DescribeHere(file, logWrapper)).Frame()))
      return false;
  }
  return true;
}
