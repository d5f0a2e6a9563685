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

// The innermost trace records.
thread_local std::vector<std::vector<std::string>> traces;

}  // namespace

StatementFailure::StatementFailure(int n, std::string message) {
  injections.push_back(Injection{n, std::move(message)});
}

StatementFailure::~StatementFailure() { injections.pop_back(); }

int StatementFailure::executed() const { return injections.empty() ? 0 : injections.back().executed; }

StatementTrace::StatementTrace() { traces.emplace_back(); }

StatementTrace::~StatementTrace() { traces.pop_back(); }

const std::vector<std::string>& StatementTrace::statements() const { return traces.back(); }

void traceStatement(std::string_view sql) {
  if (!traces.empty()) traces.back().emplace_back(sql);
}

const std::string* injectedFailureDue() {
  if (injections.empty()) return nullptr;
  Injection& top = injections.back();
  return ++top.executed == top.target ? &top.message : nullptr;
}

}  // namespace platform::data
