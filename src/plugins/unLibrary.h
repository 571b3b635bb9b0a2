#pragma once

#include "log/unLogGlobals.h"

#include <string>

// One dynamic library: loads it, finds its procedures and unloads it, with a log message for every
// step through the optional handler.
class TKvenLibrary {
public:
  explicit TKvenLibrary(TAddToLog onLog = {});
  TKvenLibrary(const TKvenLibrary&) = delete;
  TKvenLibrary& operator=(const TKvenLibrary&) = delete;
  // Unloads the library when it is still loaded.
  virtual ~TKvenLibrary();

  // Unloads the library; always true, also when it was not loaded.
  virtual bool Finalize();
  // Finalize, then destroys the object.
  virtual void Dispose();
  // Loads FileName; true when it is loaded (also when it already was), false without a name or
  // when the system refuses it (the reason is logged).
  virtual bool Initialize();

  // The address of an exported procedure, or null (logged) when there is none or nothing is loaded.
  void* FindProcedure(const std::u16string& name);
  // The library carries the execution mark ("ZU_Plugin_Execution", data, looked up without a
  // message) of a version this host runs. The one place where that version is checked.
  bool Executes() const;
  // The text the library exports as ZU_Plugin_Category (its own memory, unchecked); null when
  // it exports none. Looked up without a message: most libraries name no category.
  const char* Category() const;

  const std::u16string& GetFileName() const { return FileName; }
  // Takes effect only while nothing is loaded.
  void SetFileName(const std::u16string& name);
  // The loader's text of the last failed Initialize.
  const std::string& GetLastError() const { return LastError; }
  // The system's handle; null while nothing is loaded.
  void* GetHandle() const { return Handle; }

  TAddToLog OnLog;

private:
  void Log(TLogTypeMessage type, const std::string& format, const TLogArgs& args) const;

  std::u16string FileName;
  void* Handle = nullptr;
  std::string LastError;
};
