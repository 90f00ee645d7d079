#include "extracts/movement_dates.h"

namespace kez {
namespace {

// Character `position` (counted from 1) of `text`, or a blank past its end.
char At(std::string_view text, std::size_t position) {
  return position <= text.size() ? text[position - 1] : ' ';
}

std::string Piece(std::string_view text, std::size_t first, std::size_t count) {
  std::string piece;
  for (std::size_t i = 0; i < count; ++i) piece += At(text, first + i);
  return piece;
}

}  // namespace

std::string DateToKey(std::string_view date_text) {
  std::string month;
  std::string day;
  std::string year;
  if (At(date_text, 2) == '/') {
    month = std::string{"0"} + At(date_text, 1);
    if (At(date_text, 4) == '/') {
      day = std::string{"0"} + At(date_text, 3);
      year = Piece(date_text, 5, 4);
    } else {
      day = Piece(date_text, 3, 2);
      year = Piece(date_text, 6, 4);
    }
  } else {
    month = Piece(date_text, 1, 2);
    if (At(date_text, 5) == '/') {
      day = std::string{"0"} + At(date_text, 4);
      year = Piece(date_text, 6, 4);
    } else {
      day = Piece(date_text, 4, 2);
      year = Piece(date_text, 7, 4);
    }
  }
  return year + month + day;
}

std::string KeyToDateText(std::string_view key) {
  return Piece(key, 5, 2) + "/" + Piece(key, 7, 2) + "/" + Piece(key, 1, 4);
}

}  // namespace kez
