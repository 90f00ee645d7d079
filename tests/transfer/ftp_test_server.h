// A real FTP server for one test: pyftpdlib (through ftp_server.py) on 127.0.0.1 with a port
// the system picks, its own root folder and, on request, TLS or an injected fault.
#ifndef KEZ_TESTS_TRANSFER_FTP_TEST_SERVER_H_
#define KEZ_TESTS_TRANSFER_FTP_TEST_SERVER_H_

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace kez::testing {

struct FtpServerOptions {
  std::string fault;         // one of the faults listed in ftp_server.py; empty for none
  bool tls = false;          // offer explicit TLS with a certificate made for this server
  bool require_tls = false;  // refuse plain-text logins and data
};

// The server process lives as long as this object: the destructor kills it by its process id,
// also when the test has failed. Should the test process itself die, the server sees its
// standard input close and ends too.
class FtpTestServer {
 public:
  static constexpr const char* kUser = "tester";
  static constexpr const char* kPassword = "secret";

  // Starts a server that serves `work_dir`/root and keeps its log and certificate in
  // `work_dir`. Returns nullptr, with the reason in `error`, when it does not come up.
  static std::unique_ptr<FtpTestServer> Start(const std::filesystem::path& work_dir,
                                              const FtpServerOptions& options, std::string* error);
  ~FtpTestServer();
  FtpTestServer(const FtpTestServer&) = delete;
  FtpTestServer& operator=(const FtpTestServer&) = delete;

  std::uint16_t port() const { return port_; }
  // The server text for cFTP::OpenConnection: "127.0.0.1:<port>", with "ftps://" for TLS.
  std::string address() const;
  // The folder the FTP user sees as "/".
  const std::filesystem::path& root() const { return root_; }
  // The certificate a client must trust to reach the TLS server.
  std::filesystem::path cert_file() const { return work_dir_ / "cert.pem"; }
  // Every command and reply logged so far, one per line ("<- STOR a.txt", "-> 226 ...").
  std::string Log() const;
  // How many control connections the server has accepted so far.
  int SessionCount() const;

 private:
  FtpTestServer(std::filesystem::path work_dir, bool tls);

  std::filesystem::path work_dir_;
  std::filesystem::path root_;
  bool tls_;
  pid_t pid_ = -1;
  int stdin_fd_ = -1;  // the server ends when this closes
  std::uint16_t port_ = 0;
};

}  // namespace kez::testing

#endif  // KEZ_TESTS_TRANSFER_FTP_TEST_SERVER_H_
