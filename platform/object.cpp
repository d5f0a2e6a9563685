#include "platform/object.h"

namespace platform {

const Member* DispatchTable::find(std::string_view name) const {
  if (name.empty()) return defaultMember();
  auto it = index_.find(upperCase(name));
  return it == index_.end() ? nullptr : &members_[it->second];
}

const Member* DispatchTable::defaultMember() const {
  if (default_.empty()) return nullptr;
  return find(default_);
}

Member& DispatchTable::add(std::string name) {
  const std::string key = upperCase(name);
  auto it = index_.find(key);
  if (it != index_.end()) return members_[it->second];
  index_.emplace(key, members_.size());
  Member m;
  m.name = std::move(name);
  members_.push_back(std::move(m));
  return members_.back();
}

void DispatchTable::inherit(const DispatchTable& base) {
  for (const Member& m : base.members_) {
    Member& mine = add(m.name);
    if (m.call && !mine.call) {
      mine.call = m.call;
      mine.minArgs = m.minArgs;
      mine.maxArgs = m.maxArgs;
    }
    if (m.put && !mine.put) {
      mine.put = m.put;
      mine.putArgs = m.putArgs;
    }
  }
  if (default_.empty()) default_ = base.default_;
}

const std::string& Object::typeName() const { return dispatch().className(); }

std::shared_ptr<Object> Object::interfaceOf(std::string_view) { return nullptr; }

std::shared_ptr<Object> queryInterface(const std::shared_ptr<Object>& object, std::string_view name) {
  if (!object) raiseVb(vb::ObjectNotSet);
  auto found = object->interfaceOf(name);
  if (!found) raiseError(E_NOINTERFACE_, object->typeName(), "No such interface supported: " + std::string(name));
  return found;
}

Variant Object::invoke(std::string_view name, CallKind kind, Args& args) {
  const Member* m = dispatch().find(name);
  if (!m) raiseVb(vb::MemberNotFound, typeName());
  const bool isPut = kind == CallKind::PropertyPut || kind == CallKind::PropertyPutRef;
  if (isPut) {
    if (!m->put) {
      // A put on a default-valued object: obj(index) = v goes to the default member.
      raiseVb(vb::MemberNotFound, typeName());
    }
    if (args.size() != m->putArgs) raiseVb(vb::WrongArgumentCount, typeName());
    m->put(*this, args);
    return Variant();
  }
  if (!m->call) raiseVb(vb::MemberNotFound, typeName());
  if (args.size() > m->maxArgs) raiseVb(vb::WrongArgumentCount, typeName());
  const size_t given = args.size();
  for (size_t i = 0; i < given && i < m->minArgs; ++i)
    if (args[i].isMissing()) raiseVb(vb::ArgumentNotOptional, typeName());
  if (given < m->minArgs) raiseVb(vb::ArgumentNotOptional, typeName());
  args.resize(m->maxArgs, Variant::missing());
  struct Trim {  // the caller's list keeps its own length, whatever happens
    Args& a;
    size_t n;
    ~Trim() { a.resize(n); }
  } trim{args, given};
  return m->call(*this, args);
}

Variant Object::call(std::string_view name, Args args) { return invoke(name, CallKind::Call, args); }

void Object::put(std::string_view name, Variant value, Args index) {
  index.push_back(std::move(value));
  invoke(name, CallKind::PropertyPut, index);
}

}  // namespace platform
