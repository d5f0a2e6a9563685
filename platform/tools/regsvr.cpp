// regsvr [-u] LIBRARY...: loads each in-process server and calls its DllRegisterServer (or,
// with -u, DllUnregisterServer), as installing a component library does.
#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  bool unregister = false;
  int failures = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-u") == 0) {
      unregister = true;
      continue;
    }
    void* handle = dlopen(argv[i], RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      std::fprintf(stderr, "regsvr: cannot load %s: %s\n", argv[i], dlerror());
      ++failures;
      continue;
    }
    const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    auto fn = reinterpret_cast<int32_t (*)()>(dlsym(handle, entry));
    if (!fn || fn() != 0) {
      std::fprintf(stderr, "regsvr: %s failed for %s\n", entry, argv[i]);
      ++failures;
    }
  }
  return failures == 0 ? 0 : 1;
}
