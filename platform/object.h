// Object: the base of every class a caller can reach late-bound, by ProgID or through another
// object (dictionary, recordset, fields, connection, business classes, stand-ins).
//
// A class declares its members once, in a DispatchTable that binds each name to a typed C++
// method. Late-bound calls go through invoke(): the name is matched without regard to letter
// case, the Variant arguments are converted to the method's parameter types, by-reference
// parameters (Variant& or T&) are written back into the caller's argument list, and arguments
// the caller leaves off are passed as Missing. The typed C++ methods themselves are the API
// that code inside the same library calls directly.
//
//   const DispatchTable& Basket::dispatch() const {
//     static const DispatchTable table = Members<Basket>("Merxa.Basket")
//         .method("Restore", &Basket::Restore)
//         .method("GetBPStoredInDB", &Basket::GetBPStoredInDB);
//     return table;
//   }
//
// Second interfaces. A class may offer further interfaces beside its dispatch table (the
// business classes offer "IReferentialIntegrity"). A caller asks for one by name and then calls
// it late-bound like any object:
//
//   ObjectPtr hooks = platform::queryInterface(basket, "IReferentialIntegrity");
//   bool used = hooks->call("Exists", {Variant("PRODUCT"), fields, values}).toBool();
//
// queryInterface fails with E_NOINTERFACE (0x80004002) when the object does not offer it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/error.h"
#include "platform/value.h"

namespace platform {

enum class CallKind : uint16_t { Method = 1, PropertyGet = 2, Call = 3, PropertyPut = 4, PropertyPutRef = 8 };

using Args = std::vector<Variant>;

class DispatchTable;

class Object : public std::enable_shared_from_this<Object> {
 public:
  virtual ~Object() = default;

  virtual const DispatchTable& dispatch() const = 0;

  // A late-bound call. `args` are in the caller's order; the callee's assignments to
  // by-reference parameters land in them. An empty name means the default member.
  // Failures: 438 unknown member, 450 too many arguments, 449 a required one missing.
  Variant invoke(std::string_view name, CallKind kind, Args& args);

  // Method call or property get with arguments passed by value.
  Variant call(std::string_view name, Args args = {});
  // Property put: obj.name(index...) = value.
  void put(std::string_view name, Variant value, Args index = {});

  // The class name used in messages ("Merxa.Basket", "ADODB.Recordset").
  const std::string& typeName() const;

  // The object's interface of that name (letter case ignored), or null when it has none.
  // Classes that offer a second interface override it; the interface object may be made on
  // each call and holds what it needs of this object.
  virtual std::shared_ptr<Object> interfaceOf(std::string_view name);
};

constexpr int32_t E_NOINTERFACE_ = static_cast<int32_t>(0x80004002);

// `object`'s interface `name`; E_NOINTERFACE when it offers none of that name.
std::shared_ptr<Object> queryInterface(const std::shared_ptr<Object>& object, std::string_view name);

// One member of a dispatch table.
struct Member {
  std::string name;
  size_t minArgs = 0;  // for the call/get binding
  size_t maxArgs = 0;
  std::function<Variant(Object&, Args&)> call;  // method or property get
  size_t putArgs = 0;
  std::function<void(Object&, Args&)> put;  // property put: index arguments, then the value
};

class DispatchTable {
 public:
  explicit DispatchTable(std::string className = {}) : className_(std::move(className)) {}

  const std::string& className() const { return className_; }
  const Member* find(std::string_view name) const;  // letter case ignored; null when unknown
  const Member* defaultMember() const;
  const std::vector<Member>& members() const { return members_; }

  Member& add(std::string name);  // the member of that name, created when new
  void setDefault(std::string name) { default_ = std::move(name); }
  void inherit(const DispatchTable& base);

 private:
  std::string className_;
  // Names compared without regard to ASCII letter case, so that a lookup needs no copy of
  // the name it is given.
  struct NameHash {
    using is_transparent = void;
    size_t operator()(std::string_view name) const noexcept;
  };
  struct NameEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept;
  };

  std::vector<Member> members_;
  std::unordered_map<std::string, size_t, NameHash, NameEqual> index_;  // name -> position
  std::string default_;
};

// One member of an object, looked up once and then called many times, as a late-bound client
// keeps a member's id. Each call is checked and converted as Object::invoke does it; only the
// lookup by name is saved. An unknown member fails with 438 when the member is bound.
class BoundMember {
 public:
  BoundMember(ObjectPtr object, std::string_view name);

  // Method call or property get; `args` as for Object::invoke.
  Variant operator()(Args& args) const;
  const ObjectPtr& object() const { return object_; }

 private:
  ObjectPtr object_;
  const Member* member_;
};

template <class T>
std::shared_ptr<T> Variant::as() const {
  if (type() != VarType::Object) raiseVb(vb::ObjectRequired);
  if (!rawObject()) raiseVb(vb::ObjectNotSet);
  auto p = std::dynamic_pointer_cast<T>(rawObject());
  if (!p) raiseVb(vb::TypeMismatch);
  return p;
}

namespace detail {

template <class T>
struct IsSharedPtr : std::false_type {};
template <class T>
struct IsSharedPtr<std::shared_ptr<T>> : std::true_type {};

// Converts a Variant argument to a parameter type.
template <class T>
T fromVariant(const Variant& v) {
  if (v.isMissing()) raiseVb(vb::ArgumentNotOptional);
  if constexpr (std::is_same_v<T, Variant>) return v;
  else if constexpr (std::is_same_v<T, bool>) return v.toBool();
  else if constexpr (std::is_same_v<T, uint8_t>) return v.toByte();
  else if constexpr (std::is_same_v<T, int16_t>) return v.toInteger();
  else if constexpr (std::is_same_v<T, int32_t>) {
    if (v.type() == VarType::Integer) return v.toInteger();  // widened as it stands, without rounding
    return v.toLong();
  }
  else if constexpr (std::is_same_v<T, double>) return v.toDouble();
  else if constexpr (std::is_same_v<T, Currency>) return v.toCurrency();
  else if constexpr (std::is_same_v<T, Date>) return v.toDate();
  else if constexpr (std::is_same_v<T, std::string>) return v.toString();
  else if constexpr (std::is_same_v<T, ObjectPtr>) return v.toObject();
  else if constexpr (IsSharedPtr<T>::value) {
    if (v.isNothing()) return nullptr;
    return v.template as<typename T::element_type>();
  } else static_assert(sizeof(T) == 0, "no conversion from Variant to this parameter type");
}

inline Variant toVariant(Variant v) { return v; }
inline Variant toVariant(int16_t v) { return Variant::integer(v); }
inline Variant toVariant(uint8_t v) { return Variant::byte(v); }
template <class T>
Variant toVariant(T v) {
  return Variant(std::move(v));
}

// Holds one converted argument for the length of a call and writes by-reference
// parameters back afterwards.
template <class P>
struct ArgHolder {
  using T = std::remove_cv_t<std::remove_reference_t<P>>;
  static constexpr bool byRef = std::is_lvalue_reference_v<P> && !std::is_const_v<std::remove_reference_t<P>>;
  Variant* arg;
  T value;
  explicit ArgHolder(Variant& a) : arg(&a), value(fromVariant<T>(a)) {}
  T& get() { return value; }
  void writeBack() {
    if constexpr (byRef) *arg = toVariant(value);
  }
};

template <>
struct ArgHolder<Variant&> {
  Variant* arg;
  explicit ArgHolder(Variant& a) : arg(&a) {}
  Variant& get() { return *arg; }
  void writeBack() {}
};

template <>
struct ArgHolder<const Variant&> {
  Variant* arg;
  explicit ArgHolder(Variant& a) : arg(&a) {}
  const Variant& get() { return *arg; }
  void writeBack() {}
};

template <>
struct ArgHolder<Variant> : ArgHolder<const Variant&> {
  using ArgHolder<const Variant&>::ArgHolder;
};

template <class Fn>
struct Signature;
template <class C, class R, class... Ps>
struct Signature<R (C::*)(Ps...)> {
  using Class = C;
  using Result = R;
  static constexpr size_t arity = sizeof...(Ps);
  using Params = std::tuple<Ps...>;
};
template <class C, class R, class... Ps>
struct Signature<R (C::*)(Ps...) const> : Signature<R (C::*)(Ps...)> {};

// Whether the I-th parameter may be left off: only Variant parameters can be Missing.
template <class P>
constexpr bool canBeMissing = std::is_same_v<std::remove_cv_t<std::remove_reference_t<P>>, Variant>;

template <class C, class Fn, size_t... I>
Variant invokeBound(C& self, Fn fn, Args& args, std::index_sequence<I...>) {
  using Sig = Signature<Fn>;
  std::tuple<ArgHolder<std::tuple_element_t<I, typename Sig::Params>>...> holders{
      ArgHolder<std::tuple_element_t<I, typename Sig::Params>>(args[I])...};
  if constexpr (std::is_void_v<typename Sig::Result>) {
    (self.*fn)(std::get<I>(holders).get()...);
    (std::get<I>(holders).writeBack(), ...);
    return Variant();
  } else {
    Variant result = toVariant((self.*fn)(std::get<I>(holders).get()...));
    (std::get<I>(holders).writeBack(), ...);
    return result;
  }
}

template <class Fn>
std::function<Variant(Object&, Args&)> bind(Fn fn) {
  using Sig = Signature<Fn>;
  using C = typename Sig::Class;
  return [fn](Object& o, Args& args) -> Variant {
    return invokeBound(static_cast<C&>(o), fn, args, std::make_index_sequence<Sig::arity>());
  };
}

}  // namespace detail

// Builder of a class's dispatch table.
template <class C>
class Members {
 public:
  explicit Members(std::string className) : table_(std::move(className)) {}

  // A method; the last `optional` parameters may be left off (they must be Variants and
  // arrive as Missing).
  template <class Fn>
  Members& method(std::string name, Fn fn, size_t optional = 0) {
    using Sig = detail::Signature<Fn>;
    static_assert(std::is_base_of_v<typename Sig::Class, C>, "member of another class");
    Member& m = table_.add(std::move(name));
    m.maxArgs = Sig::arity;
    m.minArgs = Sig::arity - optional;
    m.call = detail::bind(fn);
    return *this;
  }

  // A read-only property (a getter, possibly with index parameters).
  template <class Get>
  Members& property(std::string name, Get get) {
    return method(std::move(name), get);
  }

  // A read/write property. The setter takes the index parameters, then the value.
  template <class Get, class Set>
  Members& property(std::string name, Get get, Set set) {
    method(name, get);
    using Sig = detail::Signature<Set>;
    Member& m = table_.add(std::move(name));
    m.putArgs = Sig::arity;
    auto bound = detail::bind(set);
    m.put = [bound](Object& o, Args& a) { bound(o, a); };
    return *this;
  }

  Members& defaultMember(std::string name) {
    table_.setDefault(std::move(name));
    return *this;
  }

  // Adds the members of a base class's table.
  Members& inherit(const DispatchTable& base) {
    table_.inherit(base);
    return *this;
  }

  operator DispatchTable() && { return std::move(table_); }
  operator DispatchTable() & { return table_; }

 private:
  DispatchTable table_;
};

// Creates an object of class T held by a shared pointer, the only way objects are made.
template <class T, class... A>
std::shared_ptr<T> makeObject(A&&... a) {
  return std::make_shared<T>(std::forward<A>(a)...);
}

}  // namespace platform
