#include "btrieve/status.h"

namespace btrieve {

std::string Status::ToString() const {
  if (ok()) return "ok";
  std::string text = "status " + std::to_string(code_);
  if (!detail_.empty()) text += ": " + detail_;
  return text;
}

Status& Status::Prefix(std::string_view context) {
  if (!ok()) detail_ = std::string(context) + (detail_.empty() ? "" : ": ") + detail_;
  return *this;
}

}  // namespace btrieve
