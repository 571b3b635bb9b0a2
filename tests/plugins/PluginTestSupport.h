#pragma once

#include "xml/XmlTestSupport.h"

#include <string>

inline const std::string TestComponents = std::string(ZU_TEST_COMPONENTS) + "/";
inline const std::string Samples = std::string(ZU_SAMPLES) + "/";

// The full path of a test component's library.
inline std::string TestComponent(const std::string& name) {
  return TestComponents + (name.ends_with(".so") ? name : "test_" + name + ".so");
}
