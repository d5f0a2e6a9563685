// The frame every backend action class shares (PriceTax, Allocate and the status action of
// Order): InitializeAction creates the ERP business component of the release a Tovo type code
// names and initialises it for the caller's business component identifier; the action's own
// operation is then called on it any number of times; CloseAction closes it.
//
// InitializeAction never raises: a failure (unsupported type code, a component that cannot
// be created or initialised) is logged under "<log name>.InitializeAction" with the info
// "Tovo Type: <code>, BusComponent: <identifier>" and reported as its error number. A component
// held from an earlier InitializeAction is closed and let go first, so that after a failed
// InitializeAction the caller cannot go on asking the earlier component unawares.
// CloseAction raises (also when no component was ever created), logged as
// "<log name>.CloseAction"; the closed component stays held until the next InitializeAction
// or the end of the action object.
#pragma once

#include <cstdint>
#include <string>

#include "platform/object.h"

namespace merxalink {

using platform::ObjectPtr;
using platform::Variant;

struct ActionNames {
  const char* className;  // "PriceTax": the source "Merxalink.PriceTax.InitializeAction"
  const char* logName;    // "PriceTax": the log names "PriceTax.InitializeAction", "PriceTax.CloseAction"
  const char* component;  // "GetPriceAndTax.PriceTaxManager", after the release's ProgID prefix
};

class BackendAction : public platform::Object {
 public:
  explicit BackendAction(ActionNames names) : names_(names) {}

  // InitializeAction of the classes whose error code is a 32-bit integer (Allocate, Order).
  void InitializeAction(const std::string& iTovoType, const std::string& iComponentID, int32_t& oErrorCode);
  void CloseAction();

  // The component held, or null before the first successful creation.
  const ObjectPtr& component() const { return component_; }

 protected:
  // The work of InitializeAction; the error number of the failure, 0 on success.
  int32_t initializeComponent(const std::string& tovoType, const std::string& componentId);
  // The component for an action operation; 91 when there is none.
  const ObjectPtr& requireComponent() const;
  const ActionNames& names() const { return names_; }

 private:
  ActionNames names_;
  ObjectPtr component_;
};

}  // namespace merxalink
