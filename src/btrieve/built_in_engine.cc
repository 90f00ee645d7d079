// The built-in engine: btrieve::File behind the engine interface.
#include "btrieve/engine.h"
#include "btrieve/file.h"
#include "btrieve/operation.h"

namespace btrieve {
namespace {

class BuiltInFile : public EngineFile {
 public:
  explicit BuiltInFile(std::unique_ptr<File> file) : file_(std::move(file)) {}
  Status Call(int op, int key_number, Bytes* key, Bytes* data) override {
    return file_->Execute(op, key_number, key, data);
  }
  // Steps from the position held, in key or physical order, take nothing from the buffers.
  bool ReadsBuffers(int op) const override {
    int base = op % kLockBiasUnit;
    if (base >= kOpGetEqual + kKeyOnlyBias && base <= kOpGetLast + kKeyOnlyBias) {
      base -= kKeyOnlyBias;
    }
    switch (base) {
      case kOpGetNext:
      case kOpGetPrevious:
      case kOpGetFirst:
      case kOpGetLast:
      case kOpStepFirst:
      case kOpStepLast:
      case kOpStepNext:
      case kOpStepPrevious:
        return false;
      default:
        return true;
    }
  }
  const FileLayout& layout() const override { return file_->layout(); }
  File* built_in_file() override { return file_.get(); }
  void ReleaseMemory() override { file_->ReleaseMemory(); }

 private:
  std::unique_ptr<File> file_;
};

class BuiltInEngine : public Engine {
 public:
  std::string Name() const override { return "built-in"; }

  Status Open(const std::filesystem::path& path, const EngineOpen& how,
              std::unique_ptr<EngineFile>* out) override {
    OpenOptions options;
    options.writable = how.mode != kOpenReadOnly;
    options.salvage = how.salvage;
    std::unique_ptr<File> file;
    if (Status s = File::Open(path, &file, options); !s.ok()) return s;
    *out = std::make_unique<BuiltInFile>(std::move(file));
    return Status::Ok();
  }

  // Each file is closed by its own handle; nothing is held for the program as a whole.
  Status Reset() override { return Status::Ok(); }
};

}  // namespace

std::shared_ptr<Engine> NewBuiltInEngine() { return std::make_shared<BuiltInEngine>(); }

}  // namespace btrieve
