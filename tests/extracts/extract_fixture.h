// An application context over a real KEZ data folder written by the sample store writer from
// records the test builds, opened through the record layer as start-up opens it.
#ifndef KEZ_TESTS_EXTRACTS_EXTRACT_FIXTURE_H_
#define KEZ_TESTS_EXTRACTS_EXTRACT_FIXTURE_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "context/activity_log.h"
#include "context/app_context.h"
#include "posdata/record_buffer.h"
#include "support/engines.h"
#include "support/scripted_host.h"
#include "support/temp_dir.h"

namespace kez::testing {

// A sale header: sale number, date "YYYYMMDD", invoice and status character.
RecordBuffer Sale(std::int32_t number, std::string_view date, std::string_view invoice,
                  std::string_view status = " ");
// A sale line of the sale extract's and the movement's interest: quantity goes into both
// quantity fields, the amount (ten-thousandths) into the line amount.
RecordBuffer SaleLine(std::int32_t sale, std::int16_t line, std::int32_t inventory_id,
                      float quantity, std::int64_t amount);
// An inventory item with its item number, description, price (ten-thousandths), pack and size.
RecordBuffer Item(std::int32_t inventory_id, std::string_view item_number,
                  std::string_view description, std::int64_t price, std::int16_t pack,
                  std::string_view size);
RecordBuffer UpcRecord(std::string_view item_number, std::string_view code);
// A customer with its number (key 0) and record date.
RecordBuffer Customer(std::string_view number, std::string_view record_date);

class ExtractTest : public ::testing::Test {
 protected:
  ExtractTest();
  ~ExtractTest() override;

  // Reads the store through `backend`'s engine from the next OpenStore on.
  void UseEngine(Backend backend) { context_.pos.engine = EngineFor(backend); }

  // Writes the records (a COMMON record naming file 1 and date order `date_order` first) as the
  // data folder and opens its tables.
  void OpenStore(const std::vector<RecordBuffer>& records, char date_order = 'U');

  // The whole content of a file in the data folder's MarketingPortal folder ("" when missing).
  std::string PortalFile(const std::string& name) const;
  std::string DataFile(const std::string& name) const;
  bool PortalFileExists(const std::string& name) const;
  void WriteMarketingPortalFile(const std::string& name, const std::string& bytes) const;

  // The extracts over the fixture's database, export state and activity log, as the jobs call
  // them.
  bool SalesExtract();
  bool CustomersExtract();
  std::int64_t CollectMovement();
  bool WriteMovement();

  TempDir app_dir_;
  TempDir data_;
  ScriptedHost host_;
  AppContext context_{host_};
  LogWriter log_ = ActivityLogWriter(context_);
};

// An extract suite that runs once per record engine.
class EngineExtractTest : public ExtractTest, public ::testing::WithParamInterface<Backend> {
 protected:
  EngineExtractTest() { UseEngine(GetParam()); }
};

}  // namespace kez::testing

#endif  // KEZ_TESTS_EXTRACTS_EXTRACT_FIXTURE_H_
