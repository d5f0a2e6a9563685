#include "backend/tovo.h"

#include "platform/error.h"
#include "platform/value.h"

namespace merxalink {

namespace {

constexpr TovoRelease kReleases[] = {
    {"tv4", "Q40cMXLStdsls", "Tesk4", "c", "4", ""},
    {"tv5", "Q50cMXLStdsls", "Tesk5", "c", "0", ""},
};

}  // namespace

const TovoRelease* findTovoRelease(const std::string& tovoType) {
  for (const TovoRelease& r : kReleases)
    if (tovoType == r.code) return &r;
  return nullptr;
}

void raiseUnsupportedTovoType(const std::string& tovoType, const std::string& source) {
  platform::raiseError(UnsupportedTovoType, source,
                       "Connection to Tovo type " + platform::trimBlanks(tovoType) + " not supported");
}

}  // namespace merxalink
