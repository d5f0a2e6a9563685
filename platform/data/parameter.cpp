#include "platform/data/parameter.h"

#include "platform/data/convert.h"
#include "platform/error.h"

namespace platform::data {

namespace {
constexpr const char* kSource = "ADODB.Parameter";
}

const DispatchTable& Parameter::dispatch() const {
  static const DispatchTable table = Members<Parameter>("ADODB.Parameter")
                                         .property("Name", &Parameter::Name, &Parameter::SetName)
                                         .property("Type", &Parameter::Type, &Parameter::SetType)
                                         .property("Direction", &Parameter::Direction, &Parameter::SetDirection)
                                         .property("Size", &Parameter::Size, &Parameter::SetSize)
                                         .property("Value", &Parameter::Value, &Parameter::SetValue)
                                         .property("Precision", &Parameter::Precision, &Parameter::SetPrecision)
                                         .property("NumericScale", &Parameter::NumericScale, &Parameter::SetNumericScale)
                                         .property("Attributes", &Parameter::Attributes, &Parameter::SetAttributes)
                                         .defaultMember("Value");
  return table;
}

void Parameter::SetDirection(int32_t v) {
  if (v < adParamUnknown || v > adParamReturnValue) raiseVb(vb::InvalidArgument, kSource);
  direction_ = v;
}

void Parameter::SetSize(int32_t v) {
  if (v < 0) raiseVb(vb::InvalidArgument, kSource);
  size_ = v;
}

bool Parameter::isInput() const {
  return direction_ == adParamInput || direction_ == adParamInputOutput || direction_ == adParamUnknown;
}

Variant Parameter::boundValue() const { return toTypedValue(value_, type_); }

const DispatchTable& Parameters::dispatch() const {
  static const DispatchTable table = Members<Parameters>("ADODB.Parameters")
                                         .property("Count", &Parameters::Count)
                                         .property("Item", &Parameters::Item)
                                         .method("Append", &Parameters::Append)
                                         .method("Delete", &Parameters::Delete)
                                         .method("Refresh", &Parameters::Refresh)
                                         .defaultMember("Item");
  return table;
}

size_t Parameters::indexOf(const Variant& nameOrIndex) const {
  if (nameOrIndex.isString()) {
    for (size_t i = 0; i < items_.size(); ++i)
      if (equalsNoCase(items_[i]->Name(), nameOrIndex.rawString())) return i;
  } else if (nameOrIndex.isNumber()) {
    const int32_t i = nameOrIndex.toLong();
    if (i >= 0 && i < Count()) return static_cast<size_t>(i);
  }
  raiseVb(vb::ItemNotFound, "ADODB.Parameters");
}

ParameterPtr Parameters::Item(const Variant& nameOrIndex) const { return items_[indexOf(nameOrIndex)]; }

void Parameters::Append(const ParameterPtr& parameter) {
  if (!parameter) raiseVb(vb::ObjectRequired, "ADODB.Parameters");
  const int32_t type = parameter->Type();
  const bool needsSize = (isTextType(type) && type != adGUID && type != adBSTR) || type == adBinary ||
                         type == adVarBinary || type == adLongVarBinary;
  if (type == adEmpty || (needsSize && parameter->Size() <= 0))
    raiseVb(kParameterImproperlyDefined, "ADODB.Parameters",
            "Parameter object is improperly defined. Inconsistent or incomplete information was provided.");
  items_.push_back(parameter);
}

void Parameters::Delete(const Variant& nameOrIndex) {
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(indexOf(nameOrIndex)));
}

}  // namespace platform::data
