// The crossing between the core's values and the screen's: single-byte (Windows-1252) text and
// QString, the core's date values and Qt's.
#ifndef KEZ_UI_UI_TEXT_H_
#define KEZ_UI_UI_TEXT_H_

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <string>
#include <string_view>

#include "platform/host.h"

namespace kez::ui {

// The screen form of a core text.
QString FromCore(std::string_view text);
// The core form of a screen text; a character the code page lacks becomes "?".
std::string ToCore(const QString& text);
// A message text as a message box shows it: each CR LF, lone CR or lone LF one line break.
QString MessageText(std::string_view text);

// The core's date value as Qt's, and back. Qt's value is a wall-clock value without a zone, held
// as UTC so that no daylight-saving gap can move it.
QDateTime ToQt(const LocalDateTime& value);
LocalDateTime FromQt(const QDateTime& value);
// `value` with its day replaced by `day` (its time of day kept).
LocalDateTime WithDay(const LocalDateTime& value, const QDate& day);
// `value` with its time of day replaced by `time` (its day kept).
LocalDateTime WithTime(const LocalDateTime& value, const QTime& time);

}  // namespace kez::ui

#endif  // KEZ_UI_UI_TEXT_H_
