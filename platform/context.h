// The application server's object context: the stand-in for the host that lets a component
// create another inside the caller's transaction.
//
// A host (or a test) opens a context on its thread with ContextScope; while it is open,
// AppServer::GetObjectContext() answers it and the context's CreateInstance creates objects
// that join it (they are listed in the context). Without a host there is no context and
// components are created directly.
#pragma once

#include <vector>

#include "platform/dictionary.h"
#include "platform/object.h"

namespace platform {

class ObjectContext : public Object {
 public:
  const DispatchTable& dispatch() const override;

  ObjectPtr CreateInstance(const std::string& progId);
  // The web application's state ("Application"), a dictionary the host may fill.
  Variant Item(const std::string& name);

  const std::vector<std::string>& created() const { return created_; }
  DictionaryPtr application() const { return application_; }

 private:
  std::vector<std::string> created_;
  DictionaryPtr application_ = makeObject<Dictionary>();
};

using ObjectContextPtr = std::shared_ptr<ObjectContext>;

// The thread's application-server object: answers the thread's current context.
class AppServer : public Object {
 public:
  const DispatchTable& dispatch() const override;
  // The current context of this thread, or Nothing.
  Variant GetObjectContext();
};

// Opens a context on this thread for the scope's lifetime (they nest).
class ContextScope {
 public:
  ContextScope();
  ~ContextScope();
  ContextScope(const ContextScope&) = delete;
  ContextScope& operator=(const ContextScope&) = delete;
  const ObjectContextPtr& context() const { return context_; }

 private:
  ObjectContextPtr context_;
  ObjectContextPtr previous_;
};

}  // namespace platform
