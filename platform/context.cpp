#include "platform/context.h"

#include "platform/registry.h"

namespace platform {

namespace {
thread_local ObjectContextPtr currentContext;
}

const DispatchTable& ObjectContext::dispatch() const {
  static const DispatchTable table = Members<ObjectContext>("ObjectContext")
                                         .method("CreateInstance", &ObjectContext::CreateInstance)
                                         .method("Item", &ObjectContext::Item)
                                         .defaultMember("Item");
  return table;
}

ObjectPtr ObjectContext::CreateInstance(const std::string& progId) {
  ObjectPtr obj = createObject(progId);
  created_.push_back(progId);
  return obj;
}

Variant ObjectContext::Item(const std::string& name) {
  if (equalsNoCase(name, "Application")) return Variant(application_);
  return Variant();
}

const DispatchTable& AppServer::dispatch() const {
  static const DispatchTable table =
      Members<AppServer>("AppServer").method("GetObjectContext", &AppServer::GetObjectContext);
  return table;
}

Variant AppServer::GetObjectContext() {
  if (!currentContext) return Variant::nothing();
  return Variant(currentContext);
}

ContextScope::ContextScope() : context_(makeObject<ObjectContext>()), previous_(currentContext) {
  currentContext = context_;
}

ContextScope::~ContextScope() { currentContext = previous_; }

}  // namespace platform
