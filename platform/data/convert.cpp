#include "platform/data/convert.h"

#include <cmath>

#include "platform/data/types.h"
#include "platform/error.h"

namespace platform::data {

Variant toTypedValue(const Variant& v, int32_t type) {
  if (v.isNull() || v.isEmpty() || v.isMissing()) return Variant::null();
  switch (type) {
    case adBoolean: return Variant(v.toBool());
    case adUnsignedTinyInt: return Variant::byte(v.toByte());
    case adTinyInt: {
      const int16_t i = v.toInteger();
      if (i < -128 || i > 127) raiseVb(vb::Overflow);
      return Variant::integer(i);
    }
    case adSmallInt: return Variant::integer(v.toInteger());
    case adInteger: return Variant(static_cast<int>(v.toLong()));
    case adBigInt: {
      const double d = v.toDouble();
      if (std::isnan(d) || std::fabs(d) >= 9.2233720368547758e18) raiseVb(vb::Overflow);
      return Variant(std::nearbyint(d));
    }
    case adSingle:
    case adDouble:
    case adDecimal:
    case adNumeric: return Variant(v.toDouble());
    case adCurrency: return Variant(v.toCurrency());
    case adDate:
    case adDBDate:
    case adDBTime:
    case adDBTimeStamp: return Variant(v.toDate());
    default:
      if (isTextType(type)) return Variant(v.toString());
      return v;
  }
}

bool isTextType(int32_t type) {
  switch (type) {
    case adBSTR:
    case adGUID:
    case adChar:
    case adWChar:
    case adVarChar:
    case adLongVarChar:
    case adVarWChar:
    case adLongVarWChar: return true;
    default: return false;
  }
}

bool isWideTextType(int32_t type) {
  return type == adBSTR || type == adWChar || type == adVarWChar || type == adLongVarWChar;
}

bool isLongType(int32_t type) { return type == adLongVarChar || type == adLongVarWChar || type == adLongVarBinary; }

bool isFixedType(int32_t type) {
  switch (type) {
    case adVarChar:
    case adLongVarChar:
    case adVarWChar:
    case adLongVarWChar:
    case adVarBinary:
    case adLongVarBinary:
    case adBSTR:
    case adVariant:
    case adEmpty: return false;
    default: return true;
  }
}

int32_t schemaDataType(int32_t type) {
  switch (type) {
    case adVarChar:
    case adLongVarChar: return adChar;
    case adVarWChar:
    case adLongVarWChar: return adWChar;
    case adVarBinary:
    case adLongVarBinary: return adBinary;
    default: return type;
  }
}

int64_t characterCount(std::string_view utf8) {
  int64_t n = 0;
  for (char c : utf8)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  return n;
}

}  // namespace platform::data
