// The one table of the report settings properties: their element names in portal.xml's order and
// how each value becomes text and is read back ("True"/"False", decimal numbers, date values).
#ifndef KEZ_SETTINGS_SETTING_FIELDS_H_
#define KEZ_SETTINGS_SETTING_FIELDS_H_

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "settings/cls_settings.h"

namespace kez {

// One property: its element name and the member that holds it.
struct SettingField {
  std::string_view name;
  std::variant<std::string clsSettings::*, bool clsSettings::*, std::int16_t clsSettings::*,
               LocalDateTime clsSettings::*>
      member;
};

inline constexpr std::size_t kSettingFieldCount = 25;

// All properties in the order of the file (Sunday's switch stands before Monday's).
const std::array<SettingField, kSettingFieldCount>& SettingFieldsInFileOrder();

// The property of that element name (exact letter case), or nullptr.
const SettingField* FindSettingField(std::string_view name);

// What kind of value a property holds, for messages: "text", "boolean", "number", "date".
std::string_view SettingKindName(const SettingField& field);

// The property's value as the file holds it: text as it is, "True"/"False", decimal digits, or
// the date value text (short date, long time, or both).
std::string SettingText(const clsSettings& record, const SettingField& field);

// Sets the property from the file's text. Booleans take "True"/"False" in any letter case or a
// number (0 false, any other true); numbers take decimal text within 16 bits; dates take the
// forms ParseDateValue reads. Returns false, leaving the property unchanged, for any other text.
bool SetSettingFromText(clsSettings& record, const SettingField& field, std::string_view text);

}  // namespace kez

#endif  // KEZ_SETTINGS_SETTING_FIELDS_H_
