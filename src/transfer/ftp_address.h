// Server addresses, remote paths and the URLs the FTP client hands to libcurl.
#ifndef KEZ_TRANSFER_FTP_ADDRESS_H_
#define KEZ_TRANSFER_FTP_ADDRESS_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace kez {

// Where an FTP server listens and whether the control connection is to be secured.
struct FtpAddress {
  std::string host;  // a name, an IPv4 address or a bracketed IPv6 address
  std::uint16_t port = 21;
  bool tls = false;  // explicit TLS (AUTH TLS) on the ordinary FTP port
};

// Reads "[ftp://|ftps://]HOST[:PORT][/]". `port` wins over a port in the text unless it is 0;
// with neither, the port is 21. Returns false when there is no host or the port in the text is
// not a number from 1 to 65535.
bool ParseFtpAddress(std::string_view text, std::uint16_t port, FtpAddress* address);

// "/a/b" joined from the current directory and a remote path; an absolute path replaces the
// current directory. "." and ".." are left for the server to resolve.
std::string ResolveRemotePath(std::string_view current_dir, std::string_view path);

// Splits an absolute remote path into its folder ("/" for the root) and its last name.
void SplitRemotePath(std::string_view absolute_path, std::string* folder, std::string* name);

// The URL libcurl needs for an absolute remote path, each name percent-encoded. The path stays
// absolute in the commands libcurl sends (STOR /a/b). `folder` adds the trailing "/" that makes
// libcurl treat the path as a folder.
std::string RemoteUrl(const FtpAddress& address, std::string_view absolute_path, bool folder);

// The folder named in a 257 reply to PWD ("257 \"/a \"\"b\"\"\" is ..." gives /a "b"); empty
// when the reply holds none.
std::string FolderFromPwdReply(std::string_view reply);

}  // namespace kez

#endif  // KEZ_TRANSFER_FTP_ADDRESS_H_
