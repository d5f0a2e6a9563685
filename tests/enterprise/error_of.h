// The error a call raises, for tests that look at its number and description.
#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "platform/error.h"

namespace enterprisetest {

// The ComError `call` raises; a test failure, and an error numbered 0, when it raises none.
inline platform::ComError errorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const platform::ComError& e) {
    return e;
  }
  ADD_FAILURE() << "no error raised";
  return platform::ComError(0, {}, {});
}

}  // namespace enterprisetest
