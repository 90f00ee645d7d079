// clsSHA256: the SHA-256 digest (Secure Hash Standard) of a text, as 64 lowercase hexadecimal
// digits. Each character of the text is one byte of the message.
#ifndef KEZ_SETTINGS_SHA256_H_
#define KEZ_SETTINGS_SHA256_H_

#include <string>
#include <string_view>

namespace kez {

class clsSHA256 {
 public:
  // The digest of the bytes of `sMessage`, 64 lowercase hexadecimal digits.
  std::string SHA256(std::string_view sMessage) const;
};

}  // namespace kez

#endif  // KEZ_SETTINGS_SHA256_H_
