#include "transfer/ftp_address.h"

#include <charconv>

namespace kez {
namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    const char c = text[i];
    const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    if (lower != prefix[i]) return false;
  }
  return true;
}

bool IsUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

void AppendEscaped(std::string_view name, std::string* url) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (IsUnreserved(byte)) {
      url->push_back(c);
    } else {
      url->push_back('%');
      url->push_back(kHex[byte >> 4]);
      url->push_back(kHex[byte & 0x0F]);
    }
  }
}

}  // namespace

bool ParseFtpAddress(std::string_view text, std::uint16_t port, FtpAddress* address) {
  FtpAddress parsed;
  if (StartsWithNoCase(text, "ftps://")) {
    parsed.tls = true;
    text.remove_prefix(7);
  } else if (StartsWithNoCase(text, "ftp://")) {
    text.remove_prefix(6);
  }
  if (const std::size_t slash = text.find('/'); slash != std::string_view::npos) {
    text = text.substr(0, slash);
  }
  // A bracketed IPv6 address may be followed by a port; a bare one cannot be.
  std::size_t colon = std::string_view::npos;
  if (!text.empty() && text.front() == '[') {
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos) return false;
    if (close + 1 < text.size()) {
      if (text[close + 1] != ':') return false;
      colon = close + 1;
    }
  } else if (text.find(':') == text.rfind(':')) {
    colon = text.find(':');
  }
  parsed.host = std::string(text.substr(0, colon));
  if (parsed.host.empty()) return false;
  if (colon != std::string_view::npos) {
    const std::string_view digits = text.substr(colon + 1);
    unsigned value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || value == 0 ||
        value > 65535) {
      return false;
    }
    parsed.port = static_cast<std::uint16_t>(value);
  }
  if (port != 0) parsed.port = port;
  *address = std::move(parsed);
  return true;
}

std::string ResolveRemotePath(std::string_view current_dir, std::string_view path) {
  std::string resolved;
  if (!path.empty() && path.front() == '/') {
    resolved = std::string(path);
  } else {
    resolved = current_dir.empty() ? std::string("/") : std::string(current_dir);
    if (resolved.back() != '/') resolved.push_back('/');
    resolved.append(path);
  }
  while (resolved.size() > 1 && resolved.back() == '/') resolved.pop_back();
  return resolved;
}

void SplitRemotePath(std::string_view absolute_path, std::string* folder, std::string* name) {
  const std::size_t slash = absolute_path.rfind('/');
  if (slash == std::string_view::npos) {
    *folder = "/";
    *name = std::string(absolute_path);
    return;
  }
  *folder = slash == 0 ? std::string("/") : std::string(absolute_path.substr(0, slash));
  *name = std::string(absolute_path.substr(slash + 1));
}

std::string RemoteUrl(const FtpAddress& address, std::string_view absolute_path, bool folder) {
  // Explicit TLS starts on the plain FTP scheme; "ftps://" would make libcurl speak implicit TLS.
  std::string url = "ftp://" + address.host + ":" + std::to_string(address.port) + "/";
  // %2F keeps the path absolute: libcurl would otherwise read it relative to the login folder.
  url += "%2F";
  std::string_view rest = absolute_path;
  while (!rest.empty() && rest.front() == '/') rest.remove_prefix(1);
  const bool root = rest.empty();
  while (!rest.empty()) {
    const std::size_t slash = rest.find('/');
    AppendEscaped(rest.substr(0, slash), &url);
    if (slash == std::string_view::npos) break;
    url.push_back('/');
    rest.remove_prefix(slash + 1);
  }
  if (folder && !root && url.back() != '/') url.push_back('/');
  return url;
}

std::string FolderFromPwdReply(std::string_view reply) {
  const std::size_t open = reply.find('"');
  if (open == std::string_view::npos) return {};
  std::string folder;
  for (std::size_t i = open + 1; i < reply.size(); ++i) {
    if (reply[i] != '"') {
      folder.push_back(reply[i]);
    } else if (i + 1 < reply.size() && reply[i + 1] == '"') {
      folder.push_back('"');
      ++i;
    } else {
      return folder;
    }
  }
  return {};
}

}  // namespace kez
