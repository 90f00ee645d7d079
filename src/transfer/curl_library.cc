#include "transfer/curl_library.h"

#ifdef KEZ_CURL_SONAME
#include <dlfcn.h>
#endif

namespace kez {
namespace {

#ifdef KEZ_CURL_SONAME

// Finds each entry point in turn and remembers the first one that is missing.
class EntryPoints {
 public:
  explicit EntryPoints(void* handle) : handle_(handle) {}

  template <typename Function>
  bool Find(const char* symbol, Function* out) {
    void* address = dlsym(handle_, symbol);
    if (address == nullptr) {
      missing_ = symbol;
      return false;
    }
    *out = reinterpret_cast<Function>(address);
    return true;
  }

  const char* missing() const { return missing_; }

 private:
  void* handle_;
  const char* missing_ = "";
};

bool FindAll(EntryPoints& entries, CurlLibrary* curl) {
  return entries.Find("curl_global_init", &curl->global_init) &&
         entries.Find("curl_easy_init", &curl->easy_init) &&
         entries.Find("curl_easy_setopt", &curl->easy_setopt) &&
         entries.Find("curl_easy_perform", &curl->easy_perform) &&
         entries.Find("curl_easy_getinfo", &curl->easy_getinfo) &&
         entries.Find("curl_easy_cleanup", &curl->easy_cleanup) &&
         entries.Find("curl_easy_strerror", &curl->easy_strerror) &&
         entries.Find("curl_slist_append", &curl->slist_append) &&
         entries.Find("curl_slist_free_all", &curl->slist_free_all) &&
         entries.Find("curl_version_info", &curl->version_info);
}

#endif

}  // namespace

std::string CurlLibrary::DefaultName() {
#ifdef KEZ_CURL_SONAME
  return KEZ_CURL_SONAME;
#else
  return {};
#endif
}

std::shared_ptr<const CurlLibrary> CurlLibrary::Load(const std::string& name, std::string* error) {
  std::shared_ptr<CurlLibrary> curl(new CurlLibrary());
#ifdef KEZ_CURL_SONAME
  const std::string file = name.empty() ? DefaultName() : name;
  const std::string failed = "libcurl could not be loaded from " + file + ": ";
  // RTLD_LOCAL: libcurl's symbols, and those of the TLS library it brings, stay its own.
  void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* reason = dlerror();
    *error = failed + (reason != nullptr ? reason : "the system's loader gave no reason");
    return nullptr;
  }
  EntryPoints entries(handle);
  if (!FindAll(entries, curl.get())) {
    *error = failed + "it has no entry point " + entries.missing();
    dlclose(handle);
    return nullptr;
  }
  // The handle is never closed: libcurl and its TLS library keep process-wide state from their
  // first use to the end of the process, as they do when linked.
#else
  static_cast<void>(name);
  const std::string file = "libcurl";
  curl->global_init = &curl_global_init;
  curl->easy_init = &curl_easy_init;
  curl->easy_setopt = &curl_easy_setopt;
  curl->easy_perform = &curl_easy_perform;
  curl->easy_getinfo = &curl_easy_getinfo;
  curl->easy_cleanup = &curl_easy_cleanup;
  curl->easy_strerror = &curl_easy_strerror;
  curl->slist_append = &curl_slist_append;
  curl->slist_free_all = &curl_slist_free_all;
  curl->version_info = &curl_version_info;
#endif
  // libcurl counts its set-ups and is safe to set up from several threads since 7.84; it is
  // never torn down, so a later client finds it ready.
  if (const CURLcode code = curl->global_init(CURL_GLOBAL_DEFAULT); code != CURLE_OK) {
    *error = file + " could not set itself up: " + curl->Text(code);
    return nullptr;
  }
  return curl;
}

}  // namespace kez
