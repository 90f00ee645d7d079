// kezDataPath_Ops: the data location at start-up (read the suite's settings, check them, copy the
// engine's "upper.alt" in, offer to define a missing path) and the availability check that runs
// before every table operation.
#ifndef KEZ_POSDATA_DATA_PATH_OPS_H_
#define KEZ_POSDATA_DATA_PATH_OPS_H_

#include <chrono>
#include <string_view>

#include "posdata/pos_database.h"

namespace kez {

// The application label under which the suite keeps its data location.
inline constexpr const char* kSuiteSettingsLabel = "KEZ Settings";

// The data path used when the store has none, and the suite's local copy of its data. The
// Windows places are the suite's own; docs/data-location.md names them.
#ifdef _WIN32
inline constexpr const char* kDefaultDataFolder = "C:\\SW";
inline constexpr const char* kLocalDataFolder = "C:\\kezsafe";
#else
inline constexpr const char* kDefaultDataFolder = "/srv/kez/SW";
inline constexpr const char* kLocalDataFolder = "/srv/kez/kezsafe";
#endif

// The collating sequence file of the record engine that a data path receives from AppDir.
inline constexpr const char* kAlternateCollatingFile = "upper.alt";

// The start-up sequence: prepares db.DataPathSettings (label "KEZ Settings", at least 50 stations,
// the default paths `sAltDefaultPath` or kDefaultDataFolder), reads the store, drops one final
// separator, checks the stored data path quietly and copies "upper.alt" into it. A path that is
// missing or fails the check is given up; then, off the network, the user is asked whether to
// define it now (the path dialog), and on the network told that the network is down. Returns true
// when a data path is defined.
bool gfbKEZ_DataPath_open(PosDatabase& db, bool bStationPathEnabled, int iMaxStations,
                          std::string_view sAltDefaultPath, bool bStationNumberEnabled);

// How long a data path found present is trusted without looking again.
inline constexpr std::chrono::milliseconds kDataPathRecheckInterval{250};

// The availability check before a table operation: true when the data path's folder exists (or
// was found present within kDataPathRecheckInterval), or the run is in local mode, or the check
// itself fails. When the local copy cannot be reached the
// run enters local mode and the result is false. Otherwise the user is asked to retry; No ends the
// process at once.
bool DataPathAvailable(PosDatabase& db);

}  // namespace kez

#endif  // KEZ_POSDATA_DATA_PATH_OPS_H_
