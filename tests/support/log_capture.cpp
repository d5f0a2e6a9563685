#include "tests/support/sales_fixture.h"

namespace testsupport {

namespace {

// Stands in for "Corvane.Log" with the same entry-writing member.
class CapturingLog : public platform::Object {
 public:
  explicit CapturingLog(std::shared_ptr<LogCapture::Shared> shared) : shared_(std::move(shared)) {}

  const platform::DispatchTable& dispatch() const override {
    static const platform::DispatchTable table =
        platform::Members<CapturingLog>("Corvane.Log").method("WriteEntry", &CapturingLog::WriteEntry, 1);
    return table;
  }

  void WriteEntry(const std::string& source, const std::string& message, int32_t level, const platform::Variant&) {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->entries.push_back({source, message, level});
  }

 private:
  std::shared_ptr<LogCapture::Shared> shared_;
};

}  // namespace

LogCapture::LogCapture()
    : shared_(std::make_shared<Shared>()),
      override_("Corvane.Log", [shared = shared_] { return platform::makeObject<CapturingLog>(shared); }) {}

std::vector<LogCapture::Entry> LogCapture::entries() const {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  return shared_->entries;
}

size_t LogCapture::count(int32_t level) const {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  size_t n = 0;
  for (const Entry& e : shared_->entries) n += e.level == level;
  return n;
}

void LogCapture::clear() {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  shared_->entries.clear();
}

}  // namespace testsupport
