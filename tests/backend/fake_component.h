// A fake ERP business component for the frame tests: registered under the ProgIDs of both
// releases, it records what it was created as and called with, and answers each action with
// the values a test puts into it.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace backendtest {

using platform::Variant;

// What every fake made during a test shares with the test.
struct FakeLog {
  std::vector<std::string> created;      // ProgIDs, in order
  std::vector<std::string> calls;        // "Initialize C1", "Close", "Allocate S1 2", ...
  std::map<std::string, Variant> answer;  // member of the answer object -> value
  bool failInitialize = false;            // Initialize raises 0x80041234
  bool failAction = false;                // the action operation raises 0x80041235
};

class FakeAnswer : public platform::Object {
 public:
  explicit FakeAnswer(std::shared_ptr<FakeLog> log) : log_(std::move(log)) {}
  const platform::DispatchTable& dispatch() const override;
  Variant value(const std::string& member) const;

 private:
  std::shared_ptr<FakeLog> log_;
};

class FakeManager : public platform::Object {
 public:
  explicit FakeManager(std::shared_ptr<FakeLog> log) : log_(std::move(log)) {}
  const platform::DispatchTable& dispatch() const override;

  void Initialize(const std::string& componentId);
  void Close();
  platform::ObjectPtr GetPriceAndOrTax(Variant& option, Variant& customer, Variant& part, Variant& currency,
                                       Variant& date, Variant& lineQuantity, Variant& orderQuantity, Variant& unit,
                                       Variant& billing, Variant& shipping, Variant& country, Variant& lineAmount,
                                       Variant& discount);
  platform::ObjectPtr Allocate(Variant& order, Variant& line);
  platform::ObjectPtr UpdateOrderStatus(Variant& order, Variant& line, Variant& step, Variant& freight);

 private:
  platform::ObjectPtr answer(const std::string& call);
  std::shared_ptr<FakeLog> log_;
};

// Puts FakeManager under every release ProgID of the three action components while alive.
class FakeComponents {
 public:
  FakeComponents();
  std::shared_ptr<FakeLog> log = std::make_shared<FakeLog>();

 private:
  std::vector<std::unique_ptr<platform::ScopedOverride>> overrides_;
};

}  // namespace backendtest
