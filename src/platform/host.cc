#include "platform/host.h"

namespace kez {

void Host::EndProcess(int exit_code) { throw ProgramEnd{exit_code}; }

}  // namespace kez
