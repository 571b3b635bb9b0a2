#include "platform/unExeFolder.h"

#include <filesystem>
#include <system_error>

namespace {

std::filesystem::path ExePath() {
  std::error_code ec;
  auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : path;
}

} // namespace

std::string ExeFolder() {
  auto path = ExePath();
  if (path.empty())
    return {};
  std::string folder = path.parent_path().string();
  if (folder.empty() || folder.back() != '/')
    folder += '/';
  return folder;
}

std::string ExeName() {
  return ExePath().filename().string();
}

std::string ExeBaseName() {
  std::string name = ExeName();
  if (const std::size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0)
    name.resize(dot);
  return name;
}
