// The libcurl functions the FTP client calls, in one table. Builds that load libcurl while the
// program runs (POSIX) fill it the first time a client needs a server, so that a program which
// never reaches one does not load libcurl and the thirty libraries it needs at every start; other
// builds fill it with the functions they link.
#ifndef KEZ_TRANSFER_CURL_LIBRARY_H_
#define KEZ_TRANSFER_CURL_LIBRARY_H_

#include <curl/curl.h>

#include <memory>
#include <string>

namespace kez {

class CurlLibrary {
 public:
  // Loads libcurl from `name` (empty: DefaultName()), finds each entry point and has libcurl set
  // itself up. Returns nullptr with `error` naming the library and the reason when any of that
  // fails. A build that links libcurl ignores `name`.
  static std::shared_ptr<const CurlLibrary> Load(const std::string& name, std::string* error);
  // The file a load takes by default: the SONAME of the libcurl the program was built against.
  // Empty where the program links libcurl.
  static std::string DefaultName();

  // The text libcurl gives for `code`.
  std::string Text(CURLcode code) const { return easy_strerror(code); }

  decltype(&curl_global_init) global_init = nullptr;
  decltype(&curl_easy_init) easy_init = nullptr;
  decltype(&curl_easy_setopt) easy_setopt = nullptr;
  decltype(&curl_easy_perform) easy_perform = nullptr;
  decltype(&curl_easy_getinfo) easy_getinfo = nullptr;
  decltype(&curl_easy_cleanup) easy_cleanup = nullptr;
  decltype(&curl_easy_strerror) easy_strerror = nullptr;
  decltype(&curl_slist_append) slist_append = nullptr;
  decltype(&curl_slist_free_all) slist_free_all = nullptr;
  decltype(&curl_version_info) version_info = nullptr;

 private:
  CurlLibrary() = default;
};

}  // namespace kez

#endif  // KEZ_TRANSFER_CURL_LIBRARY_H_
