#include "posdata/dbsm_fields.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "platform/app_titles.h"
#include "platform/number_text.h"
#include "posdata/kez_fields.h"

namespace kez {
namespace {

constexpr double kLargestStoredAmount = 999999;

DBSM_TableEntry& Entry(PosDatabase& db, int table) {
  return db.DBSM_Table[static_cast<std::size_t>(table)];
}

TableHandle& Handle(PosDatabase& db, int table) {
  return *db.VATable[static_cast<std::size_t>(table)];
}

std::string Description(const btrieve::Status& status) {
  return status.detail().empty() ? status.ToString() : status.detail();
}

void ShowFieldFailure(PosDatabase& db, int table, const btrieve::Status& status) {
  db.host.ShowMessage(Description(status) + "\r" + Entry(db, table).TableName, MessageButtons::kOk,
                      MessageIcon::kCritical, kDbsmTitle, MessageKind::kInformation);
}

// The value, or nullopt after the failure has been shown (and the program ended for an unknown
// field).
std::optional<btrieve::FieldValue> Checked(PosDatabase& db, int table,
                                           btrieve::FieldResult result) {
  if (result.status.ok()) return std::move(result.value);
  const std::string description = Description(result.status);
  if (description.find("FieldIndex") != std::string::npos) {
    db.host.ShowMessage(description + "\r" + Entry(db, table).TableName +
                            " Progam will close.\r\nCall support for assistance.",
                        MessageButtons::kOk, MessageIcon::kCritical, kDbsmTitle,
                        MessageKind::kInformation);
    EndProgramFromRecordLayer(db);
  }
  ShowFieldFailure(db, table, result.status);
  return std::nullopt;
}

// The leading number of a value's text form.
double LeadingNumberOf(const btrieve::FieldValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return LeadingNumber(*text);
  return LeadingNumber(btrieve::FieldValueText(value));
}

// NAMES keeps a count and two amounts whose values may arrive as text.
bool StoreNamesNumber(RecordBuffer& buffer, int field, const btrieve::FieldValue& value) {
  const double number = LeadingNumberOf(value);
  if (field == names::kVisits) {
    const double whole = RoundHalfEven(number);
    return buffer.Store(field, whole >= -32768 && whole <= 32767 ? whole : 0.0);
  }
  return buffer.Store(field, number > kLargestStoredAmount ? 0.0 : number);
}

bool IsNamesTextNumber(int table, int field) {
  return table == kNames &&
         (field == names::kVisits || field == names::kCreditLimit || field == names::kPoints);
}

}  // namespace

btrieve::FieldValue DBSM_GetField(PosDatabase& db, int table, int field) {
  return Checked(db, table, Handle(db, table).GetField(field)).value_or(std::int64_t{0});
}

btrieve::FieldValue DBSM_GetField(PosDatabase& db, int table, std::string_view name) {
  return Checked(db, table, Handle(db, table).GetField(name)).value_or(std::int64_t{0});
}

void DBSM_PutField(PosDatabase& db, int table, int field, const btrieve::FieldValue& value) {
  if (btrieve::Status status = Handle(db, table).SetField(field, value); !status.ok()) {
    ShowFieldFailure(db, table, status);
  }
}

void DBSM_PutField(PosDatabase& db, int table, std::string_view name,
                   const btrieve::FieldValue& value) {
  if (btrieve::Status status = Handle(db, table).SetField(name, value); !status.ok()) {
    ShowFieldFailure(db, table, status);
  }
}

void DBSM_CopyHandleToBuffer(PosDatabase& db, int table) {
  if (table < 0 || table >= kTableCount) return;
  RecordBuffer& buffer = db.buffers[static_cast<std::size_t>(table)];
  TableHandle& handle = Handle(db, table);
  // With the engine's record image at hand, the buffer decodes each field from it when the field
  // is asked for, with the conversion Store makes below. Fields the dictionary lacks still fail
  // here, and NAMES' numbers kept as text take their own conversion.
  int lazy_fields = 0;
  if (const btrieve::Table* engine = handle.EngineTable();
      engine != nullptr && engine->definition() != nullptr) {
    buffer.Adopt(engine->record(), engine->shared_definition());
    lazy_fields = static_cast<int>(std::min(engine->definition()->fields.size(),
                                            static_cast<std::size_t>(buffer.field_count())));
  }
  // A field whose transfer fails is cleared (texts blank, numbers 0) and every other field is
  // overwritten, so the buffer ends as clearing it all first (SALESITEM's rule) would leave it,
  // without clearing every field of every sale line twice.
  const auto copy = [&](int field) {
    const std::optional<btrieve::FieldValue> value = Checked(db, table, handle.GetField(field));
    const bool stored =
        value && (IsNamesTextNumber(table, field) ? StoreNamesNumber(buffer, field, *value)
                                                  : buffer.Store(field, *value));
    if (!stored) buffer.ClearField(field);
  };
  // In field order, as the failures are reported.
  if (table == kNames) {
    for (int field : {names::kVisits, names::kCreditLimit, names::kPoints}) {
      if (field < lazy_fields) copy(field);
    }
  }
  for (int field = lazy_fields; field < buffer.field_count(); ++field) copy(field);
  Entry(db, table).Status = static_cast<std::int16_t>(handle.Status());
}

void DBSM_CopyBufferToHandle(PosDatabase& db, int table) {
  if (table < 0 || table >= kTableCount) return;
  const RecordBuffer& buffer = db.buffers[static_cast<std::size_t>(table)];
  for (int field = 0; field < buffer.field_count(); ++field) {
    DBSM_PutField(db, table, field, buffer.Value(field));
  }
  Entry(db, table).Status = static_cast<std::int16_t>(Handle(db, table).Status());
}

void DBSM_CopyKeyToHandle(PosDatabase& db, int table, int key) {
  if (table < 0 || table >= kTableCount) return;
  const RecordBuffer& buffer = db.buffers[static_cast<std::size_t>(table)];
  for (int field : KeyCopyFields(table, key)) {
    DBSM_PutField(db, table, field, buffer.Value(field));
  }
}

}  // namespace kez
