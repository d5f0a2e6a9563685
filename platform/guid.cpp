#include "platform/guid.h"

#include <uuid/uuid.h>

#include <cstdio>

namespace platform {

bool newGuid(Guid& out) {
  uuid_t u;
  uuid_generate_random(u);
  // The byte layout of a GUID's first three fields is big-endian in the UUID text form.
  out.data1 = (uint32_t(u[0]) << 24) | (uint32_t(u[1]) << 16) | (uint32_t(u[2]) << 8) | u[3];
  out.data2 = static_cast<uint16_t>((u[4] << 8) | u[5]);
  out.data3 = static_cast<uint16_t>((u[6] << 8) | u[7]);
  for (int i = 0; i < 8; ++i) out.data4[static_cast<size_t>(i)] = u[8 + i];
  return true;
}

std::string guidText(const Guid& g) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.data1, g.data2, g.data3,
                g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
  return buf;
}

}  // namespace platform
