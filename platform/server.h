// In-process server: what a component library exports so the registry can find and load it.
//
// A library lists its classes once with MERXA_SERVER(...) in one of its source files:
//
//   MERXA_SERVER({"Merxa.Basket", "{...}", [] { return makeObject<Basket>(); }},
//                {"Merxa.Order", "{...}", [] { return makeObject<Order>(); }})
//
// which defines the four entry points:
//   DllRegisterServer()        writes the classes with this library's path into the
//                              registration file; 0 on success
//   DllUnregisterServer()      removes them again
//   DllGetClassObject(clsid, factory)  hands out the factory of a class; 0, or
//                              CLASS_E_CLASSNOTAVAILABLE (0x80040111)
//   DllCanUnloadNow()          0 when no object made by this library is alive, else 1
#pragma once

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "platform/registry.h"

namespace platform {

struct ServerClass {
  const char* progId;
  const char* clsid;
  Factory factory;
};

namespace server {
// The implementations behind the entry points; `anchor` is any address inside the library.
int32_t registerServer(const void* anchor, const std::vector<ServerClass>& classes);
int32_t unregisterServer(const void* anchor);
int32_t getClassObject(const std::vector<ServerClass>& classes, const char* clsid, Factory* out,
                       std::atomic<int>& live);
}  // namespace server

}  // namespace platform

#define MERXA_SERVER(...)                                                                      \
  namespace {                                                                                  \
  std::atomic<int> merxaLiveObjects{0};                                                        \
  const std::vector<::platform::ServerClass>& merxaServerClasses() {                           \
    static const std::vector<::platform::ServerClass> classes{__VA_ARGS__};                    \
    return classes;                                                                            \
  }                                                                                            \
  }                                                                                            \
  extern "C" int32_t DllRegisterServer() {                                                     \
    return ::platform::server::registerServer(reinterpret_cast<const void*>(&DllRegisterServer), \
                                              merxaServerClasses());                           \
  }                                                                                            \
  extern "C" int32_t DllUnregisterServer() {                                                   \
    return ::platform::server::unregisterServer(reinterpret_cast<const void*>(&DllRegisterServer)); \
  }                                                                                            \
  extern "C" int32_t DllGetClassObject(const char* clsid, ::platform::Factory* out) {          \
    return ::platform::server::getClassObject(merxaServerClasses(), clsid, out, merxaLiveObjects); \
  }                                                                                            \
  extern "C" int32_t DllCanUnloadNow() { return merxaLiveObjects.load() == 0 ? 0 : 1; }
