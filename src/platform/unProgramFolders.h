#pragma once

#include <functional>
#include <string>
#include <vector>

// Where the program keeps what it writes and where it looks for components. Every folder ends
// in '/'.
struct TProgramFolders {
  // The configuration file.
  std::string Config;
  // The log file.
  std::string Log;
  // Work kept aside for recovery, with the editors' locks.
  std::string Recovery;
  // The components' cache file (a file, not a folder); empty: none.
  std::string CacheFile;
  // The folders whose components are registered, in order.
  std::vector<std::string> Components;
  // The user's library of subsystems (files in the project file's layout), beside the user's
  // components: "Subsystems/" beside the executable, or $XDG_DATA_HOME/zu-programming/subsystems/.
  std::string Subsystems;
  // True when the user's own folders are used instead of the executable's.
  bool PerUser = false;
};

// Reads an environment variable; null when it is not set.
using TGetEnv = std::function<const char*(const char*)>;
// The running program's environment.
const char* ProcessEnv(const char* name);

// The name of the file that marks an installed tree: its presence beside the executable sends
// everything written to the user's folders even when the folder could be written (by root).
inline constexpr const char* InstalledMarkName = "zu-programming.installed";

// Everything beside the folder (with its '/'), as in a build folder: Configs/, Logs/, and the
// components in the folder itself.
TProgramFolders FoldersBeside(const std::string& folder);
// The components are registered from the executable's folder, then, in an installed tree, from
// its "components" folder, then from the user's (below).
// FoldersBeside the executable when its folder can be written and
// holds no installed mark (the recovery files and the cache beside the configuration then).
// Otherwise the user's folders: the configuration in $XDG_CONFIG_HOME/zu-programming/, the log
// and the recovery files in $XDG_STATE_HOME/zu-programming/, the cache in
// $XDG_CACHE_HOME/zu-programming/components.cache (the one zu-cli keeps too) and, after the
// executable's folder, components in $XDG_DATA_HOME/zu-programming/components/ (each defaulting
// below $HOME as the base directory rules say; relative values are ignored). Without a home the
// executable's folders are kept. Nothing is created.
TProgramFolders ProgramFolders(const std::string& exeFolder, const TGetEnv& env);
// The same for the running program and its environment.
TProgramFolders ProgramFolders();
// The user's base folder named by the variable (XDG_CONFIG_HOME, XDG_STATE_HOME, XDG_DATA_HOME,
// XDG_CACHE_HOME) with its trailing '/', or the fallback below $HOME; empty without either.
std::string UserBaseFolder(const char* variable, const char* belowHome, const TGetEnv& env);

// Where work kept for recovery goes when the configuration folder cannot take it: the user's
// state folder ($XDG_STATE_HOME/zu-programming/), then a folder of the user's own in the system's
// temporary folder ($TMPDIR, or /tmp: zu-programming-UID/). Nothing is created.
std::vector<std::string> RecoveryFallbacks(const TGetEnv& env);

// Makes the folder and its missing parents (mode 0700 for those made, as the base directory
// rules ask); true when it is there afterwards.
bool MakeFolders(const std::string& folder);
