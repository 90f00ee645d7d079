#include "extracts/movement_file.h"

#include <cstdint>

#include "platform/file_io.h"
#include "platform/number_text.h"
#include "platform/windows1252.h"

namespace kez {
namespace {

// The columns (counted from 1) at which the pieces 2, 3 and 4 of a line start.
constexpr std::size_t kItemCodeColumn = 14;
constexpr std::size_t kDescriptionColumn = 28;
constexpr std::size_t kFiguresColumn = 69;

// Appends `piece` so that it starts at `column` of the current line: blanks fill the line up to
// the column, or, when the line has already passed it, the piece starts the column of a new line.
void PlaceAt(std::size_t column, std::string_view piece, std::string& out) {
  const std::size_t line_start = out.rfind('\n') == std::string::npos ? 0 : out.rfind('\n') + 1;
  const std::size_t used = out.size() - line_start;
  if (used > column - 1) {
    out += "\r\n";
    out.append(column - 1, ' ');
  } else {
    out.append(column - 1 - used, ' ');
  }
  out += piece;
}

std::uint64_t Magnitude(std::int64_t value) {
  return value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
}

// `value` with at least `width` digits, "-" before the digits of a negative value.
std::string Padded(std::int64_t value, int width) {
  return (value < 0 ? "-" : "") + ZeroPadded(Magnitude(value), width);
}

// Hundredths as `integer_width`+ digits, a period and two decimals.
std::string Decimal(std::int64_t hundredths, int integer_width) {
  const std::uint64_t magnitude = Magnitude(hundredths);
  return ZeroPadded(magnitude / 100, integer_width) + "." + ZeroPadded(magnitude % 100, 2);
}

std::string SaleDayText(std::int32_t day) {
  const std::string digits = std::to_string(day);
  return digits.size() < 3 ? std::string{} : digits.substr(2);
}

// The sign is the value's own, not its rounded figure's: a refund of less than half a cent is
// still a refund.
std::string PriceText(const clsMovmentData& row) {
  const std::int64_t hundredths = RoundToHundredths(row.Price.ten_thousandths);
  return (row.Price.ten_thousandths < 0 ? "-" : "") + Decimal(hundredths, 5);
}

}  // namespace

std::string MovementFileName(std::string_view movement_start_key) {
  std::string name = "movement.CCC.cc";
  if (movement_start_key.size() > 2) name += movement_start_key.substr(2, 6);
  return name;
}

std::string MovementItemCode(std::string_view upc, std::string_view sku) {
  if (LeadingNumber(upc) == 0) return std::string{sku};
  const std::size_t end = upc.find_last_not_of(' ');
  return std::string{upc.substr(0, end + 1)};
}

std::string SignedQuantityText(const clsMovmentData& row) {
  return (row.QuantitySold < 0 ? "-" : " ") + ZeroPadded(Magnitude(row.QuantitySold), 8);
}

std::string SignedDollarsText(const clsMovmentData& row) {
  const std::int64_t hundredths = RoundToHundredths(row.TotalDollars.ten_thousandths);
  return (row.TotalDollars.ten_thousandths < 0 ? "-" : " ") + Decimal(hundredths, 7);
}

std::string MovementSizeText(const clsMovmentData& row) {
  if (row.Size.empty() || row.Size.front() == ' ') return "<blank>";
  return row.Size;
}

std::string MovementLine(const clsMovmentData& row) {
  std::string out = SaleDayText(row.lngDate) + "|" + Padded(row.StoreNumber, 5) + "|";
  PlaceAt(kItemCodeColumn, MovementItemCode(row.Upc, row.SKU), out);
  PlaceAt(kDescriptionColumn, "|" + row.Description, out);
  PlaceAt(kFiguresColumn,
          "|" + PriceText(row) + "|" + SignedQuantityText(row) + "|" + Padded(row.PackInfo, 3) +
              "|" + SignedDollarsText(row) + "|" + MovementSizeText(row),
          out);
  out += "\r\n";
  return out;
}

bool WriteMovementFile(const std::filesystem::path& data_path, MovementData& movement,
                       const LogWriter& log) {
  movement.MovementFilePath = data_path / MovementFileName(movement.MovementStartKey);
  std::string bytes;
  for (const clsMovmentData& row : movement.MovementRows) bytes += MovementLine(row);
  std::string error;
  if (ReplaceFileAtomically(movement.MovementFilePath, bytes, FileAccess::kShared, &error)) {
    return true;
  }
  log("SymphonyIRI - Error: movement file not written: " + error);
  return false;
}

}  // namespace kez
