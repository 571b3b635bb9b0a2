#include "platform/unProgramFolders.h"

#include "platform/unExeFolder.h"

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsFolder(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

std::string WithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/')
    folder += '/';
  return folder;
}

} // namespace

std::string UserBaseFolder(const char* variable, const char* belowHome, const TGetEnv& env) {
  // Relative values are invalid and ignored.
  if (const char* value = env(variable); value && value[0] == '/')
    return WithSlash(value);
  if (const char* home = env("HOME"); home && home[0] == '/')
    return WithSlash(home) + belowHome + '/';
  return {};
}

const char* ProcessEnv(const char* name) {
  return std::getenv(name);
}

TProgramFolders FoldersBeside(const std::string& folder) {
  TProgramFolders folders;
  folders.Config = folder + "Configs/";
  folders.Log = folder + "Logs/";
  folders.Recovery = folders.Config;
  folders.CacheFile = folders.Config + "components.cache";
  folders.Components = {folder};
  folders.Subsystems = folder + "Subsystems/";
  return folders;
}

TProgramFolders ProgramFolders(const std::string& exeFolder, const TGetEnv& env) {
  TProgramFolders folders = FoldersBeside(exeFolder);
  // An installed tree keeps its components in a folder of their own beside the programs.
  const bool installed = Exists(exeFolder + InstalledMarkName);
  if (installed && IsFolder(exeFolder + "components"))
    folders.Components.push_back(exeFolder + "components/");
  const bool writable = !exeFolder.empty() && access(exeFolder.c_str(), W_OK) == 0;
  if (writable && !installed)
    return folders;
  const std::string config = UserBaseFolder("XDG_CONFIG_HOME", ".config", env);
  const std::string state = UserBaseFolder("XDG_STATE_HOME", ".local/state", env);
  const std::string data = UserBaseFolder("XDG_DATA_HOME", ".local/share", env);
  if (config.empty() || state.empty() || data.empty())
    return folders;
  folders.PerUser = true;
  folders.Config = config + "zu-programming/";
  folders.Log = state + "zu-programming/";
  folders.Recovery = folders.Log;
  const std::string cache = UserBaseFolder("XDG_CACHE_HOME", ".cache", env);
  folders.CacheFile = cache.empty() ? std::string() : cache + "zu-programming/components.cache";
  folders.Components.push_back(data + "zu-programming/components/");
  folders.Subsystems = data + "zu-programming/subsystems/";
  return folders;
}

TProgramFolders ProgramFolders() {
  return ProgramFolders(ExeFolder(), ProcessEnv);
}

bool MakeFolders(const std::string& folder) {
  if (folder.empty())
    return false;
  const std::string path = WithSlash(folder);
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1))
    if (const std::string part = path.substr(0, slash); !IsFolder(part))
      mkdir(part.c_str(), 0700);
  return IsFolder(path);
}

std::vector<std::string> RecoveryFallbacks(const TGetEnv& env) {
  std::vector<std::string> folders;
  if (const std::string state = UserBaseFolder("XDG_STATE_HOME", ".local/state", env);
      !state.empty())
    folders.push_back(state + "zu-programming/");
  const char* tmp = env("TMPDIR");
  std::string temp = tmp && tmp[0] == '/' ? tmp : "/tmp";
  if (!temp.ends_with('/'))
    temp += '/';
  folders.push_back(temp + "zu-programming-" + std::to_string(geteuid()) + "/");
  return folders;
}
