// Parameter ("ADODB.Parameter") and a Command's Parameters collection.
//
// A parameter keeps the value it is given; when the command runs, the value is converted to
// the parameter's type (a Long for adInteger, a Date for adDBTimeStamp, ...) and bound to the
// next "?" of the statement, or passed as the procedure's next argument. Only input
// parameters (adParamInput, adParamInputOutput, adParamUnknown) are bound; output values do
// not come back.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/data/types.h"
#include "platform/object.h"

namespace platform::data {

class Parameter : public Object {
 public:
  const DispatchTable& dispatch() const override;

  std::string Name() const { return name_; }
  void SetName(const std::string& v) { name_ = v; }
  int32_t Type() const { return type_; }
  void SetType(int32_t v) { type_ = v; }
  int32_t Direction() const { return direction_; }
  void SetDirection(int32_t v);  // 3001 outside ParameterDirectionEnum
  int32_t Size() const { return size_; }
  void SetSize(int32_t v);       // 3001 when negative
  Variant Value() const { return value_; }
  void SetValue(const Variant& v) { value_ = v; }
  uint8_t Precision() const { return precision_; }
  void SetPrecision(uint8_t v) { precision_ = v; }
  uint8_t NumericScale() const { return scale_; }
  void SetNumericScale(uint8_t v) { scale_ = v; }
  int32_t Attributes() const { return attributes_; }
  void SetAttributes(int32_t v) { attributes_ = v; }

  bool isInput() const;
  // The value as it is bound: converted to the parameter's type; 13 or 6 when it cannot be.
  Variant boundValue() const;

 private:
  std::string name_;
  int32_t type_ = adEmpty;
  int32_t direction_ = adParamInput;
  int32_t size_ = 0;
  Variant value_;
  uint8_t precision_ = 0;
  uint8_t scale_ = 0;
  int32_t attributes_ = 0;
};

using ParameterPtr = std::shared_ptr<Parameter>;

class Parameters : public Object {
 public:
  const DispatchTable& dispatch() const override;

  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  ParameterPtr Item(const Variant& nameOrIndex) const;  // 3265 when unknown
  // Adds a parameter made by CreateParameter. A text or binary type needs a Size and every
  // parameter a type (3708 "Parameter object is improperly defined" otherwise).
  void Append(const ParameterPtr& parameter);
  void Delete(const Variant& nameOrIndex);
  void Refresh() {}

  const std::vector<ParameterPtr>& items() const { return items_; }

 private:
  size_t indexOf(const Variant& nameOrIndex) const;

  std::vector<ParameterPtr> items_;
};

using ParametersPtr = std::shared_ptr<Parameters>;

}  // namespace platform::data
