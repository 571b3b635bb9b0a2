#pragma once

#include <utility>

// Runs a call into plug-in code: whatever the plug-in throws stays here. True when the call
// returned normally.
template <class F> bool GuardedPluginCall(F&& call) noexcept {
  try {
    std::forward<F>(call)();
    return true;
  } catch (...) {
    return false;
  }
}
