#include "btrieve/installed_engine.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "btrieve/btrcall.h"
#include "btrieve/dynamic_library.h"
#include "btrieve/operation.h"
#include "btrieve/stat_layout.h"

namespace btrieve {
namespace {

// The room offered for a record: the interface's data length travels as a 32-bit count, but
// records of the files it serves end below 64 KB.
constexpr std::uint32_t kDataRoom = 0xFFFF;

// What every file opened through one library shares: the entry point, and how many resets the
// program has made (a reset closes every file, so later closes must not reach the engine).
struct Client {
  std::unique_ptr<DynamicLibrary> library;
  BtrCallFunction call = nullptr;
  std::string library_name;
  std::uint64_t resets = 0;
};

bool ReturnsData(int base) {
  return (base >= kOpGetEqual && base <= kOpGetLast) || base == kOpStat || base == kOpGetPosition ||
         base == kOpGetDirect || base == kOpStepNext ||
         (base >= kOpStepFirst && base <= kOpStepPrevious) || base == kOpInsert;
}

bool SendsData(int base) {
  return base == kOpOpen || base == kOpInsert || base == kOpUpdate || base == kOpCreate ||
         base == kOpGetDirect;
}

class InstalledFile : public EngineFile {
 public:
  InstalledFile(std::shared_ptr<Client> client, std::string name)
      : client_(std::move(client)), name_(std::move(name)), opened_at_reset_(client_->resets) {}

  ~InstalledFile() override {
    if (open_ && client_->resets == opened_at_reset_) {
      Bytes key;
      Bytes data;
      Call(kOpClose, 0, &key, &data).IgnoreError();
    }
  }

  // Opens the file named by `path` into this file's position block, then asks for its layout.
  Status Open(const std::string& path, int mode) {
    if (path.size() >= kKeyBufferSize) {
      return Status(kInvalidFileName, name_ + ": the path is longer than the engine takes");
    }
    Bytes key(path.begin(), path.end());
    Bytes data;
    if (Status s = Call(kOpOpen, mode, &key, &data); !s.ok()) return s;
    open_ = true;
    Bytes stat;
    if (Status s = Call(kOpStat, 0, &key, &stat); !s.ok()) return s;
    return LayoutFromStat(stat, name_, &layout_);
  }

  Status Call(int op, int key_number, Bytes* key, Bytes* data) override {
    int base = op % kLockBiasUnit;
    const bool key_only = base >= kOpGetEqual + kKeyOnlyBias && base <= kOpGetLast + kKeyOnlyBias;
    if (key_only) base -= kKeyOnlyBias;
    if (base != kOpOpen && client_->resets != opened_at_reset_) {
      return Status(kFileNotOpen, name_ + ": the engine was reset since the file was opened");
    }
    // The key buffer travels at the interface's full size; the engine may write a found key of
    // any length up to it, and the caller keeps the length it asked for.
    std::array<std::uint8_t, kKeyBufferSize> key_buffer{};
    std::copy_n(key->begin(), std::min<std::size_t>(key->size(), key_buffer.size()),
                key_buffer.begin());
    if (buffer_.size() < std::max<std::size_t>(kDataRoom, data->size())) {
      buffer_.resize(std::max<std::size_t>(kDataRoom, data->size()));
    }
    std::copy(data->begin(), data->end(), buffer_.begin());
    std::uint32_t length = SendsData(base) && base != kOpGetDirect
                               ? static_cast<std::uint32_t>(data->size())
                               : static_cast<std::uint32_t>(buffer_.size());
    const int code =
        client_->call(static_cast<std::uint16_t>(op), position_.data(), buffer_.data(), &length,
                      key_buffer.data(), static_cast<std::uint8_t>(key_buffer.size()),
                      static_cast<char>(key_number));
    if (base == kOpOpen && code != kOk) open_ = false;
    if (base == kOpClose && code == kOk) open_ = false;
    if (key_only) {
      data->clear();
    } else if ((code == kOk || code == kDataBufferTooShort) && ReturnsData(base)) {
      length = std::min<std::uint32_t>(length, static_cast<std::uint32_t>(buffer_.size()));
      data->assign(buffer_.begin(), buffer_.begin() + length);
    }
    if (base != kOpOpen && base != kOpStat) {
      std::copy_n(key_buffer.begin(), std::min<std::size_t>(key->size(), key_buffer.size()),
                  key->begin());
    }
    if (code == kOk) return Status::Ok();
    return Status(code, name_ + ": the installed engine (" + client_->library_name +
                            ") answered operation " + std::to_string(op) + " with status " +
                            std::to_string(code));
  }

  const FileLayout& layout() const override { return layout_; }

 private:
  std::shared_ptr<Client> client_;
  std::string name_;
  std::uint64_t opened_at_reset_;
  bool open_ = false;
  std::array<std::uint8_t, kPositionBlockSize> position_{};
  FileLayout layout_;
  Bytes buffer_;
};

class InstalledEngine : public Engine {
 public:
  explicit InstalledEngine(std::shared_ptr<Client> client) : client_(std::move(client)) {}

  std::string Name() const override { return "installed (" + client_->library_name + ")"; }

  Status Open(const std::filesystem::path& path, const EngineOpen& how,
              std::unique_ptr<EngineFile>* out) override {
    auto file = std::make_unique<InstalledFile>(client_, path.filename().string());
    if (Status s = file->Open(path.string(), how.mode); !s.ok()) return s;
    *out = std::move(file);
    return Status::Ok();
  }

  Status Reset() override {
    std::array<std::uint8_t, kPositionBlockSize> position{};
    std::array<std::uint8_t, kKeyBufferSize> key{};
    std::array<std::uint8_t, 1> data{};
    std::uint32_t length = 0;
    const int code =
        client_->call(kOpReset, position.data(), data.data(), &length, key.data(), 0, 0);
    ++client_->resets;
    if (code == kOk) return Status::Ok();
    return Status(code, "the installed engine (" + client_->library_name +
                            ") answered the reset with status " + std::to_string(code));
  }

 private:
  std::shared_ptr<Client> client_;
};

}  // namespace

std::vector<std::string> InstalledEngineCandidates(const std::string& exact) {
  if (!exact.empty()) return {exact};
#ifdef _WIN32
#ifdef _WIN64
  return {"W64BTRV.DLL"};
#else
  return {"WBTRV32.DLL"};
#endif
#else
  std::vector<std::string> names{"libpsqlmif.so", "libbtrvif.so"};
  std::vector<std::string> out = names;
  for (const char* folder : {"/usr/local/psql/lib64/", "/usr/local/psql/lib/",
                             "/usr/local/actianzen/lib64/", "/usr/local/actianzen/lib/"}) {
    for (const std::string& name : names) out.push_back(folder + name);
  }
  return out;
#endif
}

Status LoadInstalledEngine(const std::string& exact, std::shared_ptr<Engine>* out) {
  std::string missing;  // not there at all: named together
  std::string failed;   // there, but unusable: each with its reason
  for (const std::string& candidate : InstalledEngineCandidates(exact)) {
    std::string error;
    std::unique_ptr<DynamicLibrary> library = DynamicLibrary::Load(candidate, &error);
    if (library == nullptr) {
      if (error.find("No such file") != std::string::npos) {
        missing += (missing.empty() ? "" : ", ") + candidate;
      } else {
        failed += "; " + candidate + ": " + error;
      }
      continue;
    }
    void* entry = library->Find(kBtrCallName);
    if (entry == nullptr) {
      failed += "; " + candidate + ": loaded, but it has no " + kBtrCallName + " entry point";
      continue;
    }
    auto client = std::make_shared<Client>();
    client->library = std::move(library);
    client->call = reinterpret_cast<BtrCallFunction>(entry);
    client->library_name = candidate;
    *out = std::make_shared<InstalledEngine>(std::move(client));
    return Status::Ok();
  }
  std::string detail = "no installed record engine was found";
  if (!missing.empty()) detail += "; not found: " + missing;
  return Status(kRecordManagerInactive, detail + failed);
}

}  // namespace btrieve
