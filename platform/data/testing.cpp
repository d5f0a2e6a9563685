#include "platform/data/testing.h"

#include <vector>

namespace platform::data {

namespace {

struct Injection {
  int target;           // the statement that fails, counted from 1
  std::string message;
  int executed = 0;     // statements counted while this injection is the innermost
};

// Scopes nest; the innermost one counts.
thread_local std::vector<Injection> injections;

}  // namespace

StatementFailure::StatementFailure(int n, std::string message) {
  injections.push_back(Injection{n, std::move(message)});
}

StatementFailure::~StatementFailure() { injections.pop_back(); }

int StatementFailure::executed() const { return injections.empty() ? 0 : injections.back().executed; }

const std::string* injectedFailureDue() {
  if (injections.empty()) return nullptr;
  Injection& top = injections.back();
  return ++top.executed == top.target ? &top.message : nullptr;
}

}  // namespace platform::data
