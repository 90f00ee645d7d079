#include "ui/notify_icon_data.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "ui/ui_text.h"

namespace kez::ui {

void WriteField(char* field, std::size_t size, const QString& text) {
  const std::string bytes = ToCore(text);
  const std::size_t kept = std::min(bytes.size(), size - 1);
  std::memset(field, 0, size);
  std::memcpy(field, bytes.data(), kept);
}

QString ReadField(const char* field, std::size_t size) {
  const char* end = std::find(field, field + size, '\0');
  return FromCore(std::string_view(field, static_cast<std::size_t>(end - field)));
}

}  // namespace kez::ui
