// JSON for the command line: arguments are read as JSON values, results are written as JSON.
#pragma once

#include <string>
#include <string_view>

#include "platform/value.h"

namespace host {

// Reads one command-line argument: a JSON value (number, string, true/false, null, array, and
// an object as a Scripting.Dictionary with its members in the order written); anything that is
// not JSON is taken as text, and so are numbers with leading zeros and whole numbers of more
// than 15 digits (identifiers, which a double cannot hold exactly). A value no call can take,
// such as a number beyond a Double's range, fails with std::invalid_argument.
platform::Variant parseArgument(std::string_view text);

// Writes a value as JSON: dictionaries as objects, recordsets as arrays of row objects
// (a sales document thus shows its header and line rows), dates as "YYYY-MM-DD HH:MM:SS",
// Null and Empty as null, other objects as their class name.
std::string toJson(const platform::Variant& value, int indent = 0);

}  // namespace host
