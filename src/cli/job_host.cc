#include "cli/job_host.h"

namespace kez::cli {

void JobHost::SetProgress(int position, std::string_view caption) {
  if (!show_progress_) return;
  std::fprintf(out_, "[%3d%%] %s\n", position, ConsoleText(caption).c_str());
  std::fflush(out_);
}

}  // namespace kez::cli
