// The sample store generator: the records of a plausible KEZ store, the same for the same seed,
// scale and end day. Sales are spread over the days before the end day, most with a blank status,
// invoices are seven-digit texts rising with the sale number, line numbers start at 1 with an
// occasional gap, some items have no UPC record and a few sale lines name an item that is not in
// the inventory, quantities include halves and returns, and customers' record dates spread over
// several years, some blank. docs/sample-store.md gives the sizes.
#ifndef KEZ_SAMPLE_SAMPLE_GENERATOR_H_
#define KEZ_SAMPLE_SAMPLE_GENERATOR_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/host.h"
#include "sample/sample_store_writer.h"

namespace kez {

enum class SampleScale {
  kTiny,   // about 50 sales over three weeks: for tests
  kStore,  // a year of a small store: about 30,000 sales, 100,000 lines, 5,000 customers
  kLarge,  // five years: about 2,000,000 lines, 200,000 customers
};

// "tiny", "store" or "large"; nullopt for any other text.
std::optional<SampleScale> ParseSampleScale(std::string_view text);

struct SampleOptions {
  SampleScale scale = SampleScale::kStore;
  std::uint64_t seed = 1;
  LocalDateTime until;  // the last sale lies on the day before
  int file_number = 1;  // COMMON field 52: names the inventory, sale and UPC files
};

// Hands every record of the sample store to `sink`: COMMON, the customers, the inventory with its
// UPC records, then each sale's lines followed by its header. False, with `error`, when the sink
// refuses a record.
bool GenerateSampleStore(const SampleOptions& options, RecordSink& sink, std::string* error);

// The KEZ.INI of a sample store: the suite's export section, store number 00001, starting a week
// before `until`.
std::string SampleSuiteIni(const LocalDateTime& until);

}  // namespace kez

#endif  // KEZ_SAMPLE_SAMPLE_GENERATOR_H_
