// A shared library loaded while the program runs (dlopen on POSIX, LoadLibrary on Windows), and
// the address of one function in it.
#ifndef KEZ_BTRIEVE_DYNAMIC_LIBRARY_H_
#define KEZ_BTRIEVE_DYNAMIC_LIBRARY_H_

#include <memory>
#include <string>

namespace btrieve {

class DynamicLibrary {
 public:
  // Loads `name` (a path, or a file name the system's loader looks for on its path). Returns
  // nullptr with `error` saying why when it cannot be loaded.
  static std::unique_ptr<DynamicLibrary> Load(const std::string& name, std::string* error);

  // The library stays loaded until the process ends: an engine may have started threads of its
  // own that run on after its last call.
  ~DynamicLibrary() = default;
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;

  // The address of exported function `symbol`, or nullptr.
  void* Find(const char* symbol) const;

 private:
  explicit DynamicLibrary(void* handle) : handle_(handle) {}
  void* handle_;
};

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_DYNAMIC_LIBRARY_H_
