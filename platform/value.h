// Variant: the one value type that crosses every late-bound call, every recordset field and
// every sales document.
//
// Subtypes: Empty (never assigned), Null (no valid data), Missing (an optional argument that
// was not passed), Boolean, Byte, Integer (16-bit), Long (32-bit), Double, Currency (64-bit
// scaled by 10,000), Date (days since 1899-12-30, fraction = time of day), String (UTF-8),
// Object (shared reference; a null reference is Nothing) and Array (of Variants, with a
// lower bound).
//
// Conversion contract (all of it lives in value.cpp, nowhere else):
//  - whole-number targets round half to even and fail with 6 (Overflow) out of range;
//  - text that is not a number fails with 13 (Type mismatch);
//  - Null where a value is needed fails with 94 (Invalid use of Null);
//  - Empty is 0 in a numeric context and "" in a text context;
//  - Boolean is -1/0 as a number, "True"/"False" as text, and is read back from those texts
//    in any letter case or from a number;
//  - text of a Double uses "." and up to 15 significant digits;
//  - text of a Date is M/D/YYYY, plus " h:mm:ss AM/PM" only when there is a time of day.
#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class Object;
using ObjectPtr = std::shared_ptr<Object>;

enum class VarType : uint16_t {
  Empty = 0,
  Null = 1,
  Integer = 2,
  Long = 3,
  Double = 5,
  Currency = 6,
  Date = 7,
  String = 8,
  Object = 9,
  Error = 10,  // only as Missing
  Boolean = 11,
  Byte = 17,
  Array = 0x2000 | 12,
};

// Currency: a 64-bit integer holding the amount times 10,000.
struct Currency {
  int64_t scaled = 0;
  static Currency fromDouble(double v);  // rounds to 4 places, half to even; 6 on overflow
  double toDouble() const { return static_cast<double>(scaled) / 10000.0; }
};

// Date: an OLE date serial.
struct Date {
  double serial = 0;
  static Date fromParts(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
  static Date today();  // local date, no time of day
  static Date now();    // local date and time, whole seconds
  void toParts(int& year, int& month, int& day, int& hour, int& minute, int& second) const;
  Date dateOnly() const;
  std::string iso() const;  // YYYY-MM-DD HH:MM:SS, as the databases store it
};

class Variant;

// A VB array: Variants with a lower bound (0 unless said otherwise).
struct SafeArray {
  int32_t lowerBound = 0;
  std::vector<Variant> items;
  int32_t upperBound() const { return lowerBound + static_cast<int32_t>(items.size()) - 1; }
  Variant& at(int32_t index);  // 9 (Subscript out of range) outside the bounds
  const Variant& at(int32_t index) const;
};

class Variant {
 public:
  Variant() = default;  // Empty
  Variant(bool v) : type_(VarType::Boolean) { held_.num.b = v; }
  Variant(int v) : type_(VarType::Long) { held_.num.i32 = v; }
  Variant(double v) : type_(VarType::Double) { held_.num.d = v; }
  Variant(Currency v) : type_(VarType::Currency) { held_.num.i64 = v.scaled; }
  Variant(Date v) : type_(VarType::Date) { held_.num.d = v.serial; }
  Variant(std::string v) : type_(VarType::String) { new (&held_.text) std::string(std::move(v)); }
  Variant(std::string_view v) : type_(VarType::String) { new (&held_.text) std::string(v); }
  Variant(const char* v);
  Variant(ObjectPtr v);  // a null pointer is Nothing
  template <class T>
  Variant(std::shared_ptr<T> v) : Variant(std::static_pointer_cast<Object>(std::move(v))) {}
  Variant(SafeArray v);

  static Variant null() {
    Variant v;
    v.type_ = VarType::Null;
    return v;
  }
  static Variant missing();
  static Variant nothing() { return Variant(ObjectPtr()); }
  static Variant byte(uint8_t v);
  static Variant integer(int16_t v);
  static Variant array(std::vector<Variant> items, int32_t lowerBound = 0);

  Variant(const Variant& other);
  Variant(Variant&& other) noexcept {
    if (other.type_ == VarType::String || other.type_ == VarType::Object || other.type_ == VarType::Array) {
      takeFrom(other);
    } else {  // a number, or nothing
      held_.num = other.held_.num;
      type_ = other.type_;
      other.type_ = VarType::Empty;
    }
  }
  Variant& operator=(const Variant& other);
  Variant& operator=(Variant&& other) noexcept;
  ~Variant() {
    if (type_ == VarType::String) held_.text.~basic_string();
    else if (type_ == VarType::Object || type_ == VarType::Array) release();
  }

  VarType type() const { return type_; }
  bool isEmpty() const { return type_ == VarType::Empty; }
  bool isNull() const { return type_ == VarType::Null; }
  bool isMissing() const { return type_ == VarType::Error; }
  bool isObject() const { return type_ == VarType::Object; }
  bool isNothing() const { return type_ == VarType::Object && !held_.object; }
  bool isArray() const { return type_ == VarType::Array; }
  bool isString() const { return type_ == VarType::String; }
  bool isNumber() const;  // Byte, Integer, Long, Double, Currency (not Boolean, not Date)

  // The conversion functions of the original platform (CBool, CByte, CInt, CLng, CDbl,
  // CCur, CDate, CStr). Each fails with 6, 13 or 94 as the header comment says.
  bool toBool() const;
  uint8_t toByte() const;
  int16_t toInteger() const;
  int32_t toLong() const;
  double toDouble() const;
  Currency toCurrency() const;
  Date toDate() const;
  std::string toString() const&;
  std::string toString() &&;  // a text is moved out rather than copied
  ObjectPtr toObject() const;  // 424 (Object required) unless an Object; Nothing gives null

  // The object, cast to T; 13 when it is another class, 91 when Nothing. Defined in
  // object.h, where Object is complete.
  template <class T>
  std::shared_ptr<T> as() const;

  const SafeArray& array() const;  // 13 unless an Array
  SafeArray& array();

  // Raw access for code that has checked type().
  bool rawBool() const { return held_.num.b; }
  int64_t rawCurrency() const { return held_.num.i64; }
  double rawDouble() const { return held_.num.d; }
  const std::string& rawString() const { return type_ == VarType::String ? held_.text : noText(); }
  const ObjectPtr& rawObject() const { return type_ == VarType::Object ? held_.object : noObject(); }

 private:
  union Number {
    bool b;
    uint8_t u8;
    int16_t i16;
    int32_t i32;
    int64_t i64;
    double d;
  };
  // What the subtype holds: a number (or nothing), a text, an object reference or an array.
  // One at a time, so that a value is small and a row of them fits the allocator's fast path.
  union Held {
    Held() : num{} {}
    ~Held() {}
    Number num;
    std::string text;  // in place: short texts, most of a row's, need no allocation
    ObjectPtr object;
    SafeArray* array;  // owned
  };

  void release() noexcept;                 // ends what is held; the value is then Empty
  void copyFrom(const Variant& other);     // into a value that holds nothing
  void takeFrom(Variant& other) noexcept;  // likewise; `other` is left Empty
  static const std::string& noText();
  static const ObjectPtr& noObject();

  VarType type_ = VarType::Empty;
  Held held_;
};

// VB's IsNumeric: the whole value reads as a number (Empty counts; Null, dates and arrays
// do not).
bool isNumeric(const Variant& v);

// VB's IsDate.
bool isDate(const Variant& v);

// Comparison of two Variants as VB's "=", "<" and ">" compare them (binary text comparison,
// numbers by value, Empty as 0 or "", a number below a text). 94 when either side is Null.
// Returns -1, 0 or 1.
int compareValues(const Variant& a, const Variant& b);

// Whether two values name the same key of a dictionary or collection: numbers by value, text
// binary, Empty equal to 0 and "", a text never equal to a number.
bool sameKey(const Variant& a, const Variant& b);

// Text helpers with VB's names and Null rules.
std::string trimBlanks(std::string_view s);  // Trim: spaces only
std::string upperCase(std::string_view s);   // ASCII upper case
void upperCaseInPlace(std::string& s);
std::string lowerCase(std::string_view s);
bool equalsNoCase(std::string_view a, std::string_view b);
size_t hashNoCase(std::string_view s);  // equal for texts that equalsNoCase finds equal

// Date text in the forms the platform reads: M/D/YYYY[ h:mm[:ss][ AM|PM]],
// YYYY-MM-DD[ HH:MM[:SS[.fff]]] (also with a "T"), h:mm:ss[ AM|PM]. False when unreadable.
bool parseDateText(std::string_view text, Date& out);

// Number text in the system locale (en-US): optional blanks and sign, digits with optional
// "," thousands separators, "." decimals, an exponent, or &H hexadecimal. False when not a
// number.
bool parseNumberText(std::string_view text, double& out);

std::string formatDouble(double v);  // CStr of a Double

}  // namespace platform

