#include "settings/ini_text.h"

#include "platform/windows1252.h"

namespace kez {
namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

}  // namespace

IniText IniText::Parse(std::string_view bytes) {
  IniText ini;
  if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
    ini.bom_ = kUtf8Bom;
    bytes.remove_prefix(kUtf8Bom.size());
  }
  while (!bytes.empty()) {
    const std::size_t end = bytes.find_first_of("\r\n");
    if (end == std::string_view::npos) {
      ini.lines_.push_back({std::string(bytes), ""});
      break;
    }
    const std::size_t end_length = bytes.substr(end, 2) == "\r\n" ? 2 : 1;
    ini.lines_.push_back(
        {std::string(bytes.substr(0, end)), std::string(bytes.substr(end, end_length))});
    bytes.remove_prefix(end + end_length);
  }
  return ini;
}

std::string IniText::Serialize() const {
  std::string out = bom_;
  for (const Line& line : lines_) {
    out += line.text;
    out += line.end;
  }
  return out;
}

std::optional<std::string_view> IniText::HeaderName(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  const std::size_t close = line.rfind(']');
  if (close == 0 || close == std::string_view::npos) return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

std::optional<std::string_view> IniText::EntryKey(std::string_view line) {
  if (HeaderName(line)) return std::nullopt;
  const std::string_view trimmed = Trim(line);
  if (trimmed.empty() || trimmed.front() == ';') return std::nullopt;
  const std::string_view key = Trim(trimmed.substr(0, trimmed.find('=')));
  if (key.empty()) return std::nullopt;
  return key;
}

std::string IniText::EntryValue(std::string_view line) {
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return {};
  std::string_view value = Trim(line.substr(equals + 1));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

std::vector<std::pair<std::size_t, std::size_t>> IniText::Parts(std::string_view section) const {
  section = Trim(section);
  std::vector<std::pair<std::size_t, std::size_t>> parts;
  bool inside = false;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const std::optional<std::string_view> name = HeaderName(lines_[i].text);
    if (!name) continue;
    if (inside) parts.back().second = i;
    inside = EqualsIgnoreCase1252(*name, section);
    if (inside) parts.emplace_back(i, lines_.size());
  }
  return parts;
}

std::vector<std::string> IniText::SectionNames() const {
  std::vector<std::string> names;
  for (const Line& line : lines_) {
    const std::optional<std::string_view> name = HeaderName(line.text);
    if (!name) continue;
    bool seen = false;
    for (const std::string& known : names) seen = seen || EqualsIgnoreCase1252(known, *name);
    if (!seen) names.emplace_back(*name);
  }
  return names;
}

bool IniText::HasSection(std::string_view section) const { return !Parts(section).empty(); }

std::vector<std::string> IniText::KeyNames(std::string_view section) const {
  std::vector<std::string> keys;
  for (const auto& [first, last] : Parts(section)) {
    for (std::size_t i = first + 1; i < last; ++i) {
      const std::optional<std::string_view> key = EntryKey(lines_[i].text);
      if (!key) continue;
      bool seen = false;
      for (const std::string& known : keys) seen = seen || EqualsIgnoreCase1252(known, *key);
      if (!seen) keys.emplace_back(*key);
    }
  }
  return keys;
}

std::optional<std::size_t> IniText::FindEntry(std::string_view section,
                                              std::string_view key) const {
  key = Trim(key);
  for (const auto& [first, last] : Parts(section)) {
    for (std::size_t i = first + 1; i < last; ++i) {
      const std::optional<std::string_view> entry = EntryKey(lines_[i].text);
      if (entry && EqualsIgnoreCase1252(*entry, key)) return i;
    }
  }
  return std::nullopt;
}

std::optional<std::string> IniText::Value(std::string_view section, std::string_view key) const {
  const std::optional<std::size_t> entry = FindEntry(section, key);
  if (!entry) return std::nullopt;
  return EntryValue(lines_[*entry].text);
}

void IniText::InsertLine(std::size_t index, std::string text) {
  if (index > 0 && lines_[index - 1].end.empty()) lines_[index - 1].end = "\r\n";
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(index), Line{std::move(text), "\r\n"});
}

void IniText::SetValue(std::string_view section, std::string_view key, std::string_view value) {
  if (const std::optional<std::size_t> entry = FindEntry(section, key)) {
    Line& line = lines_[*entry];
    line.text = std::string(*EntryKey(line.text)) + '=' + std::string(value);
    return;
  }
  const std::string entry_text = std::string(Trim(key)) + '=' + std::string(value);
  const auto parts = Parts(section);
  if (!parts.empty()) {
    std::size_t after = parts.back().first;
    for (std::size_t i = after + 1; i < parts.back().second; ++i) {
      if (!Trim(lines_[i].text).empty()) after = i;
    }
    InsertLine(after + 1, entry_text);
    return;
  }
  if (!lines_.empty() && !Trim(lines_.back().text).empty()) InsertLine(lines_.size(), "");
  // Built by appending: g++ 12 at -O3 mistakes "[" + text for an overlapping copy.
  std::string header = "[";
  header += Trim(section);
  header += ']';
  InsertLine(lines_.size(), header);
  InsertLine(lines_.size(), entry_text);
}

bool IniText::DeleteKey(std::string_view section, std::string_view key) {
  bool removed = false;
  while (const std::optional<std::size_t> entry = FindEntry(section, key)) {
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*entry));
    removed = true;
  }
  return removed;
}

bool IniText::DeleteSection(std::string_view section) {
  const auto parts = Parts(section);
  for (auto part = parts.rbegin(); part != parts.rend(); ++part) {
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(part->first),
                 lines_.begin() + static_cast<std::ptrdiff_t>(part->second));
  }
  return !parts.empty();
}

}  // namespace kez
