// The notification area's interface as the tray object speaks it: the notify-icon record (the
// shell's NOTIFYICONDATA in its 488-byte ANSI form, field by field), the messages that add,
// modify and delete an icon, the flags that say which fields a message carries, and the callback
// codes that the area sends back to the icon's window. NotifyArea (notify_area.h) carries these
// out over QSystemTrayIcon.
#ifndef KEZ_UI_NOTIFY_ICON_DATA_H_
#define KEZ_UI_NOTIFY_ICON_DATA_H_

#include <QIcon>
#include <QString>
#include <array>
#include <cstdint>

class QWidget;

namespace kez::ui {

// Messages.
inline constexpr std::uint32_t NIM_ADD = 0;
inline constexpr std::uint32_t NIM_MODIFY = 1;
inline constexpr std::uint32_t NIM_DELETE = 2;

// Flags: which fields of the record a message carries.
inline constexpr std::uint32_t NIF_MESSAGE = 0x01;  // uCallbackMessage
inline constexpr std::uint32_t NIF_ICON = 0x02;     // hIcon
inline constexpr std::uint32_t NIF_TIP = 0x04;      // szTip
inline constexpr std::uint32_t NIF_INFO = 0x10;     // szInfo, szInfoTitle, uTimeout, dwInfoFlags

// Balloon icon codes (dwInfoFlags).
inline constexpr std::uint32_t NIIF_NONE = 0;
inline constexpr std::uint32_t NIIF_INFO = 1;
inline constexpr std::uint32_t NIIF_WARNING = 2;
inline constexpr std::uint32_t NIIF_ERROR = 3;

// The callback message the tray object asks for: a mouse movement over its window.
inline constexpr std::uint32_t WM_MOUSEMOVE = 0x200;
// Callback codes: what happened to the icon.
inline constexpr std::uint32_t WM_LBUTTONUP = 0x202;
inline constexpr std::uint32_t WM_LBUTTONDBLCLK = 0x203;
inline constexpr std::uint32_t WM_RBUTTONUP = 0x205;
inline constexpr std::uint32_t WM_MBUTTONUP = 0x208;
inline constexpr std::uint32_t NIN_BALLOONHIDE = 0x403;
inline constexpr std::uint32_t NIN_BALLOONTIMEOUT = 0x404;
inline constexpr std::uint32_t NIN_BALLOONUSERCLICK = 0x405;

// The size the record declares for itself.
inline constexpr std::uint32_t kNotifyIconDataSize = 488;

struct NotifyIconData {
  std::uint32_t cbSize = 0;
  QWidget* hWnd = nullptr;  // the window that owns the icon and receives its callbacks
  std::uint32_t uID = 0;    // the icon's number among its window's icons
  std::uint32_t uFlags = 0;
  std::uint32_t uCallbackMessage = 0;
  QIcon hIcon;
  std::array<char, 128> szTip{};  // tooltip, single-byte text, NUL-terminated
  std::uint32_t dwState = 0;
  std::uint32_t dwStateMask = 0;
  std::array<char, 256> szInfo{};      // balloon message, NUL-terminated
  std::uint32_t uTimeout = 0;          // balloon time-out in milliseconds
  std::array<char, 64> szInfoTitle{};  // balloon title, NUL-terminated
  std::uint32_t dwInfoFlags = 0;       // balloon icon code
};

// Writes `text` as single-byte text into a fixed field: at most N - 1 characters, then the NUL.
template <std::size_t N>
void SetField(std::array<char, N>& field, const QString& text);
// The text of a fixed field, up to its first NUL.
template <std::size_t N>
QString FieldText(const std::array<char, N>& field);

// The untemplated work of the two above.
void WriteField(char* field, std::size_t size, const QString& text);
QString ReadField(const char* field, std::size_t size);

template <std::size_t N>
void SetField(std::array<char, N>& field, const QString& text) {
  WriteField(field.data(), N, text);
}

template <std::size_t N>
QString FieldText(const std::array<char, N>& field) {
  return ReadField(field.data(), N);
}

}  // namespace kez::ui

#endif  // KEZ_UI_NOTIFY_ICON_DATA_H_
