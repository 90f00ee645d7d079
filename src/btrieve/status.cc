#include "btrieve/status.h"

namespace btrieve {

const std::string& Status::NoDetail() {
  static const std::string none;
  return none;
}

std::string Status::ToString() const {
  if (ok()) return "ok";
  std::string text = "status " + std::to_string(code_);
  if (!detail().empty()) text += ": " + detail();
  return text;
}

Status& Status::Prefix(std::string_view context) {
  if (ok()) return *this;
  std::string prefixed(context);
  if (!detail().empty()) prefixed += ": " + detail();
  detail_ = prefixed.empty() ? nullptr : std::make_unique<std::string>(std::move(prefixed));
  return *this;
}

}  // namespace btrieve
