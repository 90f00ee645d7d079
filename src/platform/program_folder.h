// The folder of the running program and the local clock, as the operating system reports them.
#ifndef KEZ_PLATFORM_PROGRAM_FOLDER_H_
#define KEZ_PLATFORM_PROGRAM_FOLDER_H_

#include <filesystem>

#include "platform/host.h"

namespace kez {

// The folder that holds the running executable; the current folder when the system cannot say.
std::filesystem::path ProgramFolder();

// The current local date and time to the millisecond.
LocalDateTime CurrentLocalDateTime();

}  // namespace kez

#endif  // KEZ_PLATFORM_PROGRAM_FOLDER_H_
