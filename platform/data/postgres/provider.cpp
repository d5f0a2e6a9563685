#include "platform/data/postgres/provider.h"

#include "platform/data/postgres/connection.h"
#include "platform/data/postgres/error.h"

namespace platform::data::postgres {

namespace {

const bool registered = [] {
  registerProvider(kProviderName, std::make_shared<PostgresProvider>());
  return true;
}();

}  // namespace

std::unique_ptr<ProviderConnection> PostgresProvider::open(const ConnectionProperties& props) {
  return PgConnection::connect(props);
}

}  // namespace platform::data::postgres
