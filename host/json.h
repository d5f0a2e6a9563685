// JSON for the command line: arguments are read as JSON values, results are written as JSON.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "platform/value.h"

namespace host {

// Reads one command-line argument: a JSON value (number, string, true/false, null, array, and
// an object as a Scripting.Dictionary with its members in the order written); anything that is
// not JSON is taken as text, and so are numbers with leading zeros and whole numbers of more
// than 15 digits (identifiers, which a double cannot hold exactly). A value no call can take,
// such as a number beyond a Double's range, fails with std::invalid_argument.
platform::Variant parseArgument(std::string_view text);

// Objects keep the order they were written in, as a dictionary does.
using Json = nlohmann::ordered_json;

// Reads a parsed JSON value as parseArgument reads one (without the bare-word rule: a JSON
// string is text). `special`, when given, sees every JSON object first and may answer the
// value it stands for (the service reads {"handle": ...} so); std::nullopt reads it as a
// dictionary.
using JsonObjectReader = std::function<std::optional<platform::Variant>(const Json&)>;
platform::Variant fromJson(const Json& j, const JsonObjectReader& special = {});

// Writes a value as JSON: dictionaries as objects, recordsets as arrays of row objects
// (a sales document thus shows its header and line rows), dates as "YYYY-MM-DD HH:MM:SS",
// Null and Empty as null, other objects as their class name.
std::string toJson(const platform::Variant& value, int indent = 0);

}  // namespace host
