// Merxalink.Backend: what a Tovo type code stands for (tovo.h). VersionInfo copies the
// version, release, sub-release and customization of the code into its outputs, as texts,
// and "" into oErrorCode; any other code raises (logged as "Merxalink.Backend.VersionInfo")
// and leaves the outputs as they were.
#pragma once

#include <string>

#include "platform/object.h"

namespace merxalink {

using platform::Variant;

class Backend : public platform::Object {
 public:
  const platform::DispatchTable& dispatch() const override;

  void VersionInfo(const std::string& iTovoType, Variant& oVersion, Variant& oRelease, Variant& oSubRelease,
                   Variant& oCustomization, Variant& oErrorCode);
};

}  // namespace merxalink
