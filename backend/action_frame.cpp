#include "backend/action_frame.h"

#include "backend/tovo.h"
#include "common/error_handling.h"
#include "platform/registry.h"

namespace merxalink {

int32_t BackendAction::initializeComponent(const std::string& tovoType, const std::string& componentId) {
  const std::string logName = std::string(names_.logName) + ".InitializeAction";
  if (ObjectPtr previous = std::move(component_)) {
    try {
      previous->call("Close");
    } catch (...) {
      // Closed already, or never initialised: either way it is done with.
    }
  }
  try {
    const TovoRelease* release = findTovoRelease(tovoType);
    if (!release)
      raiseUnsupportedTovoType(tovoType, std::string("Merxalink.") + names_.className + ".InitializeAction");
    component_ = platform::createObject(std::string(release->progIdPrefix) + names_.component);
    component_->call("Initialize", {Variant(componentId)});
    return 0;
  } catch (...) {
    const int32_t number = merxa::currentError().errNumber();
    merxa::LogError(logName, Variant("Tovo Type: " + tovoType + ", BusComponent: " + componentId));
    return number;
  }
}

void BackendAction::InitializeAction(const std::string& iTovoType, const std::string& iComponentID,
                                     int32_t& oErrorCode) {
  oErrorCode = 0;
  oErrorCode = initializeComponent(iTovoType, iComponentID);
}

void BackendAction::CloseAction() {
  merxa::guarded(std::string(names_.logName) + ".CloseAction", [&] { requireComponent()->call("Close"); });
}

const ObjectPtr& BackendAction::requireComponent() const {
  if (!component_) platform::raiseVb(platform::vb::ObjectNotSet, std::string("Merxalink.") + names_.className);
  return component_;
}

}  // namespace merxalink
