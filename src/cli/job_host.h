// JobHost: the host of the kezagg commands that run report jobs. It is a ConsoleHost (messages on
// standard error, questions answered by policy) that can also print every progress step of a job
// on standard error as "[ 50%] Uploading File".
#ifndef KEZ_CLI_JOB_HOST_H_
#define KEZ_CLI_JOB_HOST_H_

#include <cstdio>

#include "cli/console_host.h"

namespace kez::cli {

class JobHost : public ConsoleHost {
 public:
  explicit JobHost(bool show_progress, std::FILE* out = stderr)
      : ConsoleHost(Policy{}, out), show_progress_(show_progress), out_(out) {}

  void SetProgress(int position, std::string_view caption) override;

 private:
  bool show_progress_;
  std::FILE* out_;
};

}  // namespace kez::cli

#endif  // KEZ_CLI_JOB_HOST_H_
