// GUIDs from the operating system's generator (libuuid).
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace platform {

struct Guid {
  uint32_t data1 = 0;
  uint16_t data2 = 0;
  uint16_t data3 = 0;
  std::array<uint8_t, 8> data4{};
};

// A new random GUID; false when the generator fails.
bool newGuid(Guid& out);

// Registry form: {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}, upper case.
std::string guidText(const Guid& g);

}  // namespace platform
