#include "platform/error.h"

#include <cstdio>

namespace platform {

ComError::ComError(int32_t number_, std::string source_, std::string description_, std::string helpFile_,
                   int32_t helpContext_)
    : std::runtime_error(description_),
      number(number_),
      source(std::move(source_)),
      description(std::move(description_)),
      helpFile(std::move(helpFile_)),
      helpContext(helpContext_) {}

int32_t ComError::errNumber() const {
  if ((static_cast<uint32_t>(number) & 0xFFFF0000u) == 0x800A0000u) return number & 0xFFFF;
  return number;
}

std::string vbErrorText(int n) {
  switch (n) {
    case 5: return "Invalid procedure call or argument";
    case 6: return "Overflow";
    case 7: return "Out of memory";
    case 9: return "Subscript out of range";
    case 11: return "Division by zero";
    case 13: return "Type mismatch";
    case 53: return "File not found";
    case 70: return "Permission denied";
    case 76: return "Path not found";
    case 91: return "Object variable or With block variable not set";
    case 94: return "Invalid use of Null";
    case 424: return "Object required";
    case 429: return "ActiveX component can't create object";
    case 438: return "Object doesn't support this property or method";
    case 440: return "Automation error";
    case 449: return "Argument not optional";
    case 450: return "Wrong number of arguments or invalid property assignment";
    case 457: return "This key is already associated with an element of this collection";
    case 3001: return "Arguments are of the wrong type, are out of acceptable range, or are in conflict with one another.";
    case 3021:
      return "Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a "
             "current record.";
    case 3219: return "Operation is not allowed in this context.";
    case 3251: return "Object or provider is not able to perform requested operation.";
    case 3265: return "Item cannot be found in the collection corresponding to the requested name or ordinal.";
    case 3704: return "Operation is not allowed when the object is closed.";
    case 3705: return "Operation is not allowed when the object is open.";
    case 3707:
      return "Cannot change the ActiveConnection property of a Recordset object that has a Command object as its "
             "source.";
    case 3709:
      return "The connection cannot be used to perform this operation. It is either closed or invalid in this "
             "context.";
    case 32811: return "Element not found";
    default: return "Application-defined or object-defined error";
  }
}

void raiseVb(int n, std::string_view source, std::string_view description) {
  throw ComError(vbError(n), std::string(source), description.empty() ? vbErrorText(n) : std::string(description));
}

void raiseError(int32_t number, std::string_view source, std::string_view description) {
  throw ComError(number, std::string(source), std::string(description));
}

std::string hexNumber(int32_t number) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%X", static_cast<uint32_t>(number));
  return buf;
}

}  // namespace platform
