#pragma once

#include <string>
#include <utility>

// The outcome of an operation on a user's data: done, or failed with a reason a person can read.
struct TResult {
  bool Ok = true;
  std::string Reason; // UTF-8; empty when done

  static TResult Done() { return {}; }
  static TResult Failed(std::string reason) { return {false, std::move(reason)}; }
  explicit operator bool() const { return Ok; }
};
