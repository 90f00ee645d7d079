// The record engine behind the table handle and the dictionary: what opens a data file and runs
// Btrieve operations on it. Two engines answer: the built-in one, which reads the files' bytes
// itself, and the store's installed engine, reached through its call interface. Both give the same
// status codes for the same files, so the layers above never ask which one serves them.
#ifndef KEZ_BTRIEVE_ENGINE_H_
#define KEZ_BTRIEVE_ENGINE_H_

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "btrieve/file_layout.h"
#include "btrieve/status.h"

namespace btrieve {

using Bytes = std::vector<std::uint8_t>;
class File;

// One open data file and its position: what a position block stands for.
class EngineFile {
 public:
  virtual ~EngineFile() = default;

  // Performs operation `op` (biases allowed) on key `key_number`. `key` is the key buffer (search
  // value in, found key out; its size is kept), `data` the data buffer (record in for writes and
  // Get Direct, record out for reads, resized to what the engine returned). Statuses are the
  // engine's, unchanged.
  virtual Status Call(int op, int key_number, Bytes* key, Bytes* data) = 0;
  // False when operation `op` reads nothing of what the key and data buffers hold, so that a
  // caller walking a file need not fill them before every step. An engine that does not say
  // gets them filled.
  virtual bool ReadsBuffers(int /*op*/) const { return true; }

  // The file's record length and keys as the engine describes them (its Stat answer). Read anew
  // by operations on the built-in engine; taken once at open for the installed one.
  virtual const FileLayout& layout() const = 0;

  // The built-in engine's file, for tools that need more than operations; nullptr otherwise.
  virtual File* built_in_file() { return nullptr; }

  // Gives back the memory of pages kept for later operations, where the engine keeps any.
  virtual void ReleaseMemory() {}
};

// How a file is opened: the Btrieve open mode (0 normal, -2 read-only, ...) and whether to read
// on through damage (the built-in engine only; the installed one reads as it always does).
struct EngineOpen {
  int mode = 0;
  bool salvage = false;
};

class Engine {
 public:
  virtual ~Engine() = default;

  // "built-in", or "installed (<library>)" naming the library file that was loaded.
  virtual std::string Name() const = 0;

  // Opens a data file. Status 12 when it does not exist, 46 when writing is asked for and the file
  // may only be read, and the engine's other open statuses.
  virtual Status Open(const std::filesystem::path& path, const EngineOpen& how,
                      std::unique_ptr<EngineFile>* out) = 0;

  // Operation 28: the engine lets go of every file this program has open with it. Files opened
  // before are closed afterwards without calling the engine again.
  virtual Status Reset() = 0;
};

// The built-in engine (a new one each call; it keeps no state between files).
std::shared_ptr<Engine> NewBuiltInEngine();

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_ENGINE_H_
