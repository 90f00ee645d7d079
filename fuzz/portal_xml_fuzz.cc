// Fuzzes the portal.xml reader: any bytes are either refused as damaged or read into records that
// the writer saves and the reader takes back unchanged, without a problem.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "settings/portal_xml.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const kez::LocalDateTime now{2026, 1, 5, 9, 30, 15, 0};
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::vector<kez::clsSettings> records;
  const kez::PortalXmlRead read = kez::ReadPortalXml(bytes, records, now);
  if (!read.damage.empty()) {
    if (!records.empty()) std::abort();
    return 0;
  }
  if (records.size() != 2) std::abort();

  const std::string saved = kez::WritePortalXml(records);
  std::vector<kez::clsSettings> again;
  const kez::PortalXmlRead reread = kez::ReadPortalXml(saved, again, now);
  if (!reread.damage.empty() || !reread.problems.empty()) std::abort();
  if (again != records) std::abort();
  if (kez::WritePortalXml(again) != saved) std::abort();
  return 0;
}
