// The files of the schema folder as the build embedded them (embed.cmake writes the table).
#pragma once

#include <string_view>

namespace schema::detail {

struct EmbeddedFile {
  std::string_view name;  // path below schema/, with "/"
  std::string_view text;
};

extern const EmbeddedFile kEmbeddedFiles[];
extern const int kEmbeddedFileCount;

}  // namespace schema::detail
