#include "backend/backend.h"

#include "backend/tovo.h"
#include "common/error_handling.h"

namespace merxalink {

const platform::DispatchTable& Backend::dispatch() const {
  static const platform::DispatchTable table =
      platform::Members<Backend>("Merxalink.Backend").method("VersionInfo", &Backend::VersionInfo);
  return table;
}

void Backend::VersionInfo(const std::string& iTovoType, Variant& oVersion, Variant& oRelease, Variant& oSubRelease,
                          Variant& oCustomization, Variant& oErrorCode) {
  merxa::guarded("Merxalink.Backend.VersionInfo", [&] {
    const TovoRelease* release = findTovoRelease(iTovoType);
    if (!release) raiseUnsupportedTovoType(iTovoType, "Merxalink.Backend.VersionInfo");
    oVersion = Variant(std::string(release->version));
    oRelease = Variant(std::string(release->release));
    oSubRelease = Variant(std::string(release->subRelease));
    oCustomization = Variant(std::string(release->customization));
    oErrorCode = Variant(std::string());
  });
}

}  // namespace merxalink
