// portal.xml as bytes: the document written for the two report records and the reader that sets
// the records from a document. The layout is described in docs/settings-files.md. Values are
// single-byte text in memory and UTF-8 in the document.
#ifndef KEZ_SETTINGS_PORTAL_XML_H_
#define KEZ_SETTINGS_PORTAL_XML_H_

#include <string>
#include <string_view>
#include <vector>

#include "settings/cls_settings.h"

namespace kez {

// The whole document for `records` (the first two are written): the declaration, the root
// "settings" and one "Report" per record with the 25 elements in file order, without indentation.
std::string WritePortalXml(const std::vector<clsSettings>& records);

// What reading a document found.
struct PortalXmlRead {
  // Empty when the document can be used; otherwise why not ("it does not parse: ...", "it holds 3
  // SettingName elements"), and the records are untouched.
  std::string damage;
  // One line per value that could not be taken (missing, not a value of its kind, or holding
  // characters the code page lacks); such a property keeps the record's current value.
  std::vector<std::string> problems;
};

// Sets records 0 and 1 from the document, creating them (StartDate `now`) when the list is
// shorter. Elements are found by name anywhere in the document and taken by position: record i
// gets the (i+1)-th element of each name, whichever "Report" holds it. A document that does not
// parse, or that holds other than two "SettingName" elements, is damaged.
PortalXmlRead ReadPortalXml(std::string_view bytes, std::vector<clsSettings>& records,
                            const LocalDateTime& now);

}  // namespace kez

#endif  // KEZ_SETTINGS_PORTAL_XML_H_
