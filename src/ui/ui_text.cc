#include "ui/ui_text.h"

#include "platform/windows1252.h"

namespace kez::ui {

QString FromCore(std::string_view text) {
  const std::string utf8 = Utf8FromWindows1252(text);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string ToCore(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  return Windows1252FromUtf8(std::string_view(utf8.constData(), utf8.size())).text;
}

QString MessageText(std::string_view text) {
  QString shown = FromCore(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return shown;
}

QDateTime ToQt(const LocalDateTime& value) {
  return QDateTime(QDate(value.year, value.month, value.day),
                   QTime(value.hour, value.minute, value.second, value.millisecond), Qt::UTC);
}

LocalDateTime FromQt(const QDateTime& value) {
  const QDate day = value.date();
  const QTime time = value.time();
  return LocalDateTime{day.year(),    day.month(),   day.day(),  time.hour(),
                       time.minute(), time.second(), time.msec()};
}

LocalDateTime WithDay(const LocalDateTime& value, const QDate& day) {
  LocalDateTime result = value;
  result.year = day.year();
  result.month = day.month();
  result.day = day.day();
  return result;
}

LocalDateTime WithTime(const LocalDateTime& value, const QTime& time) {
  LocalDateTime result = value;
  result.hour = time.hour();
  result.minute = time.minute();
  result.second = time.second();
  result.millisecond = 0;
  return result;
}

}  // namespace kez::ui
