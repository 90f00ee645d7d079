#include "posdata/table_handle.h"

namespace kez {

int EngineTableHandle::Create(bool variable_length, std::uint16_t page_size) {
  table_.set_create_variable(variable_length);
  table_.set_create_page_size(page_size);
  return status_ = table_.Create().code();
}

int EngineTableHandle::KeyCount() {
  const btrieve::FileLayout* layout = table_.layout();
  return layout != nullptr ? static_cast<int>(layout->keys.size()) : 0;
}

}  // namespace kez
