// SalesParameter ("Merxa.SalesParameter"): installation-wide sales settings read from the
// installation's "MerxaConfiguration.xml". The list of names is closed; each name lives in a
// fixed section. Nothing is cached: every call loads the file again.
#pragma once

#include <string>

#include "platform/object.h"

namespace merxa {

class SalesParameter : public platform::Object {
 public:
  const platform::DispatchTable& dispatch() const override;

  // The value of a parameter as text. The name selects its section after leading and trailing
  // blanks are removed; the store is asked for the name as given.
  std::string GetParameterValue(std::string& iParameter);
};

// The section of a parameter name (matched exactly, letter case included), or "" for a name
// outside the list.
std::string salesParameterSection(const std::string& trimmedName);

}  // namespace merxa
