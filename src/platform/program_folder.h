// The folder of the running program, the user's data folder and the local clock, as the
// operating system reports them.
#ifndef KEZ_PLATFORM_PROGRAM_FOLDER_H_
#define KEZ_PLATFORM_PROGRAM_FOLDER_H_

#include <filesystem>

#include "platform/host.h"

namespace kez {

// The folder that holds the running executable; the current folder when the system cannot say.
std::filesystem::path ProgramFolder();

// The folder of the user's own program data: XDG_DATA_HOME, else ~/.local/share, outside
// Windows; the user's local application data (LOCALAPPDATA) on Windows. Empty when the system
// names none.
std::filesystem::path UserDataFolder();

// True when a file can be created in `folder` (tried with a file that is removed at once).
bool CanCreateFilesIn(const std::filesystem::path& folder);

// The current local date and time to the millisecond.
LocalDateTime CurrentLocalDateTime();

}  // namespace kez

#endif  // KEZ_PLATFORM_PROGRAM_FOLDER_H_
