// Enterprise log ("Corvane.Log"): appends entries to a text file.
//
// The file is $CORVANE_LOG when set, otherwise $CORVANE_HOME/log/merxa.log (folders are made
// as needed). One entry is
//
//   === 2024-03-05 14:30:00 level 0 (error) Merxa.Basket.Save()
//   <the message exactly as given, CR LF and all>
//   <blank line>
//
// Each entry goes to the file in one write on a descriptor opened for appending, so entries
// from several threads or processes never interleave.
#pragma once

#include <cstdint>
#include <string>

#include "platform/object.h"

namespace enterprise {

class Log : public platform::Object {
 public:
  const platform::DispatchTable& dispatch() const override;

  // `extra`, when it holds a value, is written as a last line "extra: <text>".
  void WriteEntry(const std::string& source, const std::string& message, int32_t level, const platform::Variant& extra);
};

// The file entries go to.
std::string logFilePath();

}  // namespace enterprise
