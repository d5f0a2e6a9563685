// Fault injection for tests: makes the n-th statement from now, on this thread, fail as a
// provider error, so tests can prove that writes spanning several statements are
// all-or-nothing. Statements run by any connection on the thread are counted (Execute,
// recordset opens, each row statement of UpdateBatch, commands).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform::data {

class StatementFailure {
 public:
  // The n-th statement (1-based) executed on this thread while the scope lives fails with
  // `message`.
  explicit StatementFailure(int n, std::string message = "Injected failure");
  ~StatementFailure();
  StatementFailure(const StatementFailure&) = delete;
  StatementFailure& operator=(const StatementFailure&) = delete;
  int executed() const;  // statements counted so far
};

// Records the text of every statement executed on this thread while the scope lives, in the
// order they ran, as the business code wrote them (before a provider's translation), so that a
// benchmark can run exactly the same statements on a bare driver.
class StatementTrace {
 public:
  StatementTrace();
  ~StatementTrace();
  StatementTrace(const StatementTrace&) = delete;
  StatementTrace& operator=(const StatementTrace&) = delete;
  const std::vector<std::string>& statements() const;
};

// Called by the data layer for each statement; throws (through the connection) when the
// injected failure is due. Returns the message to fail with, or null.
const std::string* injectedFailureDue();

// Called by the data layer for each statement, with its text.
void traceStatement(std::string_view sql);

}  // namespace platform::data
