// ComError: every failure of the tier is one thrown ComError, the stand-in for a COM error
// object (Err in the original's terms).
//
// `number` holds the HRESULT as it crosses a call: a VB run-time or ADO error n travels as
// 0x800A0000 + n, interface-defined errors as 0x80040000 + n, others as they are.
// `errNumber()` gives the number the business code itself sees (Err.Number), which strips
// the 0x800A facility back to n.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace platform {

constexpr int32_t kVbErrorBase = static_cast<int32_t>(0x800A0000);
constexpr int32_t kObjectError = static_cast<int32_t>(0x80040000);  // vbObjectError
constexpr int32_t E_FAIL_ = static_cast<int32_t>(0x80004005);

// The VB run-time and ADO errors the platform raises (low word of the HRESULT).
namespace vb {
constexpr int InvalidProcedureCall = 5;
constexpr int Overflow = 6;
constexpr int OutOfMemory = 7;
constexpr int SubscriptOutOfRange = 9;
constexpr int DivisionByZero = 11;
constexpr int TypeMismatch = 13;
constexpr int FileNotFound = 53;
constexpr int PermissionDenied = 70;
constexpr int PathNotFound = 76;
constexpr int ObjectNotSet = 91;
constexpr int InvalidUseOfNull = 94;
constexpr int ObjectRequired = 424;
constexpr int CantCreateObject = 429;
constexpr int MemberNotFound = 438;
constexpr int ArgumentNotOptional = 449;
constexpr int WrongArgumentCount = 450;
constexpr int KeyExists = 457;
constexpr int InvalidArgument = 3001;
constexpr int NoCurrentRecord = 3021;
constexpr int IllegalOperation = 3219;
constexpr int FeatureNotAvailable = 3251;
constexpr int ItemNotFound = 3265;
constexpr int ObjectClosed = 3704;
constexpr int ObjectOpen = 3705;
constexpr int BoundToCommand = 3707;
constexpr int InvalidConnection = 3709;
constexpr int ElementNotFound = 32811;
}  // namespace vb

class ComError : public std::runtime_error {
 public:
  ComError(int32_t number, std::string source, std::string description,
           std::string helpFile = {}, int32_t helpContext = 0);

  int32_t number;
  std::string source;
  std::string description;
  std::string helpFile;
  int32_t helpContext;

  int32_t errNumber() const;  // the number as VB code sees it
};

// The HRESULT of VB run-time error n.
constexpr int32_t vbError(int n) { return kVbErrorBase + n; }

// The platform's own text for a VB/ADO error n ("Type mismatch", ...), or
// "Application-defined or object-defined error".
std::string vbErrorText(int n);

// Throws VB run-time error n with the platform's text. `source` defaults to the project
// name of the running code, which for the platform itself is "Platform".
[[noreturn]] void raiseVb(int n, std::string_view source = "Platform", std::string_view description = {});

// Throws an error with the given HRESULT.
[[noreturn]] void raiseError(int32_t number, std::string_view source, std::string_view description);

// Text of a number in upper-case hexadecimal, no leading zeros (negative numbers as their
// 32-bit two's complement).
std::string hexNumber(int32_t number);

}  // namespace platform
