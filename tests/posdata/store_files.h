// Real KEZ data folders for tests, written with the sample store writer from records a test
// builds, and the record layer over them with the record engine's handles.
#ifndef KEZ_TESTS_POSDATA_STORE_FILES_H_
#define KEZ_TESTS_POSDATA_STORE_FILES_H_

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "posdata/record_buffer.h"
#include "sample/sample_store_writer.h"

namespace kez::testing {

// A COMMON record naming file number `file_number` (field 52).
inline RecordBuffer CommonRecord(int file_number) {
  RecordBuffer common(kCommon);
  common.SetInteger(52, file_number);
  return common;
}

// Writes `records` as a complete data folder (dictionary, the six files, KEZ.INI) into `folder`.
inline void WriteStore(const std::filesystem::path& folder, int file_number,
                       const std::vector<RecordBuffer>& records) {
  std::unique_ptr<SampleStoreWriter> writer;
  std::string error;
  ASSERT_TRUE(SampleStoreWriter::Start(folder, file_number, true, &writer, &error)) << error;
  for (const RecordBuffer& record : records) ASSERT_TRUE(writer->Add(record, &error)) << error;
  ASSERT_TRUE(writer->Finish("[EXPORT]\r\n", &error)) << error;
}

}  // namespace kez::testing

#endif  // KEZ_TESTS_POSDATA_STORE_FILES_H_
