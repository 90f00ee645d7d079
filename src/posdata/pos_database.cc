#include "posdata/pos_database.h"

#include <cstdlib>

#include "platform/exit_codes.h"

namespace kez {

PosDatabase::PosDatabase(Host& host_in)
    : host(host_in),
      engine(btrieve::NewBuiltInEngine()),
      new_handle([this] {
        auto handle = std::make_unique<EngineTableHandle>();
        handle->table().set_engine(engine);
        return handle;
      }),
      user_settings(OpenUserSettingsStore()) {
  for (int table = 0; table < kTableCount; ++table) buffers.emplace_back(table);
}

void UseDataPath(PosDatabase& db, std::string data_path) {
  db.DataPathSettings.DataPath = data_path;
  db.DataPath = std::move(data_path);
}

void EndProgramFromRecordLayer(PosDatabase& db) {
  if (db.end_program) db.end_program(kExitStopped);
  db.host.EndProcess(kExitStopped);
  // EndProcess never returns (it is [[noreturn]]), but a call through the interface is not seen
  // as one.
  std::abort();
}

}  // namespace kez
