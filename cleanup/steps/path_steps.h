// Reading a path as text: whether one of its steps is "." or "..", which would lead out of the
// folder it is taken to lie in. Pure; "\" and "/" both separate steps, found character by
// character (the second byte of a double-byte character may be that of "\").
#pragma once
#include <string>

#include "language/mbcs.h"

inline bool HasDotStep(const std::string& path) {
  std::string step;
  for (size_t i = 0;; ) {
    const int length = MbCharLenFast(path.c_str() + i);
    if (length == 0 || (length == 1 && (path[i] == '\\' || path[i] == '/'))) {
      if (step == "." || step == "..") return true;
      if (length == 0) return false;
      step.clear();
    } else {
      step.append(path, i, static_cast<size_t>(length));
    }
    i += length == 0 ? 1 : static_cast<size_t>(length);
  }
}
