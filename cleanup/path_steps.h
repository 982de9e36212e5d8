// Reading a path as text: whether one of its steps is "." or "..", which would lead out of the
// folder it is taken to lie in. Pure; "\" and "/" both separate steps.
#pragma once
#include <string>

inline bool HasDotStep(const std::string& path) {
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of("\\/", start);
    if (end == std::string::npos) end = path.size();
    const std::string step = path.substr(start, end - start);
    if (step == "." || step == "..") return true;
    start = end + 1;
  }
  return false;
}
