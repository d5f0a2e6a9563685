#include "platform/object.h"

namespace platform {

namespace {

// The checks and binding of one call of a known member (null: unknown).
Variant invokeMember(Object& object, const Member* m, CallKind kind, Args& args) {
  if (!m) raiseVb(vb::MemberNotFound, object.typeName());
  const bool isPut = kind == CallKind::PropertyPut || kind == CallKind::PropertyPutRef;
  if (isPut) {
    if (!m->put) {
      // A put on a default-valued object: obj(index) = v goes to the default member.
      raiseVb(vb::MemberNotFound, object.typeName());
    }
    if (args.size() != m->putArgs) raiseVb(vb::WrongArgumentCount, object.typeName());
    m->put(object, args);
    return Variant();
  }
  if (!m->call) raiseVb(vb::MemberNotFound, object.typeName());
  if (args.size() > m->maxArgs) raiseVb(vb::WrongArgumentCount, object.typeName());
  const size_t given = args.size();
  for (size_t i = 0; i < given && i < m->minArgs; ++i)
    if (args[i].isMissing()) raiseVb(vb::ArgumentNotOptional, object.typeName());
  if (given < m->minArgs) raiseVb(vb::ArgumentNotOptional, object.typeName());
  if (given == m->maxArgs) return m->call(object, args);
  args.resize(m->maxArgs, Variant::missing());
  struct Trim {  // the caller's list keeps its own length, whatever happens
    Args& a;
    size_t n;
    ~Trim() { a.resize(n); }
  } trim{args, given};
  return m->call(object, args);
}

}  // namespace

size_t DispatchTable::NameHash::operator()(std::string_view name) const noexcept { return hashNoCase(name); }

bool DispatchTable::NameEqual::operator()(std::string_view a, std::string_view b) const noexcept {
  return equalsNoCase(a, b);
}

const Member* DispatchTable::find(std::string_view name) const {
  if (name.empty()) return defaultMember();
  auto it = index_.find(name);
  return it == index_.end() ? nullptr : &members_[it->second];
}

const Member* DispatchTable::defaultMember() const {
  if (default_.empty()) return nullptr;
  return find(default_);
}

Member& DispatchTable::add(std::string name) {
  auto it = index_.find(std::string_view(name));
  if (it != index_.end()) return members_[it->second];
  index_.emplace(name, members_.size());
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
  return invokeMember(*this, dispatch().find(name), kind, args);
}

BoundMember::BoundMember(ObjectPtr object, std::string_view name) : object_(std::move(object)) {
  if (!object_) raiseVb(vb::ObjectNotSet);
  member_ = object_->dispatch().find(name);
  if (!member_ || !member_->call) raiseVb(vb::MemberNotFound, object_->typeName());
}

Variant BoundMember::operator()(Args& args) const { return invokeMember(*object_, member_, CallKind::Call, args); }

Variant Object::call(std::string_view name, Args args) { return invoke(name, CallKind::Call, args); }

void Object::put(std::string_view name, Variant value, Args index) {
  index.push_back(std::move(value));
  invoke(name, CallKind::PropertyPut, index);
}

}  // namespace platform
