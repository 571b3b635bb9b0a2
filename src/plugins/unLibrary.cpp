#include "plugins/unLibrary.h"

#include "platform/unStrings.h"
#include "zu_plugin.h"

#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string ClassName = "TKvenLibrary";

// The error number of a failed load: the file system's when the file cannot be reached, else the
// one whose text the loader's message ends with ("...: No such file or directory" for a missing
// dependency), else ENOEXEC (not a loadable library).
int LoadError(const std::string& file, const char* reason) {
  struct stat info {};
  if (::stat(file.c_str(), &info) != 0)
    return errno;
  if (::access(file.c_str(), R_OK) != 0)
    return errno;
  const std::string text = reason ? reason : "";
  for (int code = 1; code < 134; ++code) {
    const std::string name = std::strerror(code);
    if (text.size() >= name.size() &&
        text.compare(text.size() - name.size(), name.size(), name) == 0)
      return code;
  }
  return ENOEXEC;
}

std::int64_t HandleValue(void* handle) {
  return static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(handle));
}

} // namespace

TKvenLibrary::TKvenLibrary(TAddToLog onLog) : OnLog(std::move(onLog)) {}

TKvenLibrary::~TKvenLibrary() {
  if (Handle)
    dlclose(Handle);
}

void TKvenLibrary::Log(TLogTypeMessage type, const std::string& format,
                       const TLogArgs& args) const {
  CallLogHandler(OnLog, lgGeneral, type, format, args);
}

void TKvenLibrary::SetFileName(const std::u16string& name) {
  if (!Handle)
    FileName = name;
}

bool TKvenLibrary::Initialize() {
  Log(ltInformation, "Инициализация библиотеки \"%s\" <%s.%s>",
      {FileName, ClassName, std::string("Initialize")});
  if (Handle) {
    Log(ltInformation, "Уже инициализировано <%s.%s>", {ClassName, std::string("Initialize")});
    return true;
  }
  if (FileName.empty())
    return false;
  const std::string file = Utf16ToUtf8(FileName);
  void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* reason = dlerror();
    LastError = reason ? reason : "?";
    const int error = LoadError(file, reason);
    Log(ltError, "Ошибка при инициализации. Не правильное значение Handle=%d Error=%d <%s.%s>",
        {std::int64_t{0}, error, ClassName, std::string("Initialize")});
    if (reason)
      Log(ltError, "%s <%s.%s>", {std::string(reason), ClassName, std::string("Initialize")});
    Handle = nullptr;
    return false;
  }
  Handle = handle;
  Log(ltInformation, "Инициализировано <%s.%s>", {ClassName, std::string("Initialize")});
  return true;
}

void* TKvenLibrary::FindProcedure(const std::u16string& name) {
  void* address = Handle ? dlsym(Handle, Utf16ToUtf8(name).c_str()) : nullptr;
  if (address)
    Log(ltInformation, "Адрес процедуры \"%s\" из модуля \"%s\" получен", {name, FileName});
  else
    Log(ltError, "Адрес процедуры \"%s\" не получен. Модуль \"%s\"", {name, FileName});
  return address;
}

bool TKvenLibrary::Finalize() {
  Log(ltInformation, "Финализация библиотеки Handle=%d", {HandleValue(Handle)});
  if (!Handle) {
    Log(ltInformation, "Уже финализировано", {});
    return true;
  }
  dlclose(Handle);
  Handle = nullptr;
  Log(ltInformation, "Финализировано", {});
  return true;
}

void TKvenLibrary::Dispose() {
  Finalize();
  delete this;
}

const char* TKvenLibrary::Category() const {
  return Handle ? static_cast<const char*>(dlsym(Handle, "ZU_Plugin_Category")) : nullptr;
}

bool TKvenLibrary::Executes() const {
  const auto* mark =
      Handle ? static_cast<const std::int32_t*>(dlsym(Handle, "ZU_Plugin_Execution")) : nullptr;
  return mark && *mark >= ZU_EXECUTION_VERSION;
}
