#include "btrieve/dynamic_library.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace btrieve {

#ifdef _WIN32

std::unique_ptr<DynamicLibrary> DynamicLibrary::Load(const std::string& name, std::string* error) {
  HMODULE module = LoadLibraryA(name.c_str());
  if (module == nullptr) {
    *error = "cannot be loaded (Windows error " + std::to_string(GetLastError()) + ")";
    return nullptr;
  }
  return std::unique_ptr<DynamicLibrary>(new DynamicLibrary(reinterpret_cast<void*>(module)));
}

void* DynamicLibrary::Find(const char* symbol) const {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), symbol));
}

#else

std::unique_ptr<DynamicLibrary> DynamicLibrary::Load(const std::string& name, std::string* error) {
  // RTLD_LOCAL: the engine's own symbols must not stand in for ours, nor ours for its.
  void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* reason = dlerror();
    *error = reason != nullptr ? reason : "cannot be loaded";
    return nullptr;
  }
  return std::unique_ptr<DynamicLibrary>(new DynamicLibrary(handle));
}

void* DynamicLibrary::Find(const char* symbol) const { return dlsym(handle_, symbol); }

#endif

}  // namespace btrieve
