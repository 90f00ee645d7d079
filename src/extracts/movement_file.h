// The writing half of the SymphonyIRI report: the movement file "movement.CCC.cc" + YYMMDD in the
// data path, one line per movement row, its pieces at fixed columns:
//
//   column 1   sale day YYMMDD "|" store "|"
//   column 14  item code (the UPC, or the SKU when the UPC is zero)
//   column 28  "|" description
//   column 69  "|" price "|" quantity "|" pack "|" dollars "|" size
//
// A piece whose column the line has already passed starts a new line at that column.
#ifndef KEZ_EXTRACTS_MOVEMENT_FILE_H_
#define KEZ_EXTRACTS_MOVEMENT_FILE_H_

#include <filesystem>
#include <string>
#include <string_view>

#include "context/activity_log.h"
#include "context/movement_data.h"

namespace kez {

// "movement.CCC.cc" followed by characters 3 to 8 of `movement_start_key` (YYMMDD).
std::string MovementFileName(std::string_view movement_start_key);

// Writes every movement row to the movement file in `data_path`, replacing any file of that name,
// and sets MovementFilePath. A week without rows gives an empty file. Returns false, with a line
// to `log` naming the file and the reason, when the file cannot be written; an old file of that
// name is then left as it was.
bool WriteMovementFile(const std::filesystem::path& data_path, MovementData& movement,
                       const LogWriter& log);

// The movement line of one row, CR LF included (two lines when a piece had to move down).
std::string MovementLine(const clsMovmentData& row);

// The item code: `upc` without trailing blanks when the number it starts with is not zero,
// otherwise `sku`.
std::string MovementItemCode(std::string_view upc, std::string_view sku);
// The quantity: "-" or a blank, then at least eight digits.
std::string SignedQuantityText(const clsMovmentData& row);
// The dollars: "-" or a blank, then at least seven digits, a period and two decimals.
std::string SignedDollarsText(const clsMovmentData& row);
// "<blank>" when the size starts with a blank, otherwise the size as stored.
std::string MovementSizeText(const clsMovmentData& row);

}  // namespace kez

#endif  // KEZ_EXTRACTS_MOVEMENT_FILE_H_
