#include "settings/portal_xml.h"

#include <array>
#include <pugixml.hpp>

#include "platform/windows1252.h"
#include "settings/setting_fields.h"

namespace kez {
namespace {

// Collects the saved document in a string.
class StringWriter : public pugi::xml_writer {
 public:
  explicit StringWriter(std::string& out) : out_(out) {}
  void write(const void* data, size_t size) override {
    out_.append(static_cast<const char*>(data), size);
  }

 private:
  std::string& out_;
};

// The text of an element: its own character data, in order (comments and child elements are not
// part of a value).
std::string ElementText(const pugi::xml_node& element) {
  std::string text;
  for (const pugi::xml_node& child : element.children()) {
    if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
      text += child.value();
  }
  return text;
}

using ElementLists = std::array<std::vector<pugi::xml_node>, kSettingFieldCount>;

// Every element of each property's name, in document order.
class ElementCollector : public pugi::xml_tree_walker {
 public:
  bool for_each(pugi::xml_node& node) override {
    if (node.type() != pugi::node_element) return true;
    const auto& fields = SettingFieldsInFileOrder();
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (fields[i].name == node.name()) lists[i].push_back(node);
    }
    return true;
  }

  ElementLists lists;
};

std::string Problem(std::size_t report, std::string_view name, std::string_view what) {
  return "portal.xml: report " + std::to_string(report) + " " + std::string(what) + " " +
         std::string(name) + ", so its current value stays";
}

}  // namespace

std::string WritePortalXml(const std::vector<clsSettings>& records) {
  pugi::xml_document document;
  pugi::xml_node declaration = document.append_child(pugi::node_declaration);
  declaration.append_attribute("version") = "1.0";
  pugi::xml_node root = document.append_child("settings");
  for (std::size_t i = 0; i < 2 && i < records.size(); ++i) {
    pugi::xml_node report = root.append_child("Report");
    for (const SettingField& field : SettingFieldsInFileOrder()) {
      pugi::xml_node element = report.append_child(std::string(field.name).c_str());
      const std::string text = Utf8FromWindows1252(SettingText(records[i], field));
      if (!text.empty()) element.append_child(pugi::node_pcdata).set_value(text.c_str());
    }
  }
  std::string out;
  StringWriter writer(out);
  document.save(writer, "", pugi::format_raw, pugi::encoding_utf8);
  out += "\r\n";
  return out;
}

PortalXmlRead ReadPortalXml(std::string_view bytes, std::vector<clsSettings>& records,
                            const LocalDateTime& now) {
  PortalXmlRead read;
  pugi::xml_document document;
  // Values keep their blanks and line ends exactly as written.
  const unsigned int options = (pugi::parse_default & ~pugi::parse_eol) | pugi::parse_ws_pcdata;
  const pugi::xml_parse_result parsed =
      document.load_buffer(bytes.data(), bytes.size(), options, pugi::encoding_auto);
  if (!parsed) {
    read.damage = std::string("it does not parse: ") + parsed.description() + " at byte " +
                  std::to_string(parsed.offset);
    return read;
  }
  ElementCollector collector;
  document.traverse(collector);
  const std::size_t names = collector.lists[0].size();
  if (names != 2) {
    read.damage = "it holds " + std::to_string(names) + " SettingName elements instead of 2";
    return read;
  }

  while (records.size() < 2) records.push_back(NewReportSettings(now));
  const auto& fields = SettingFieldsInFileOrder();
  for (std::size_t f = 0; f < fields.size(); ++f) {
    for (std::size_t i = 0; i < 2; ++i) {
      if (i >= collector.lists[f].size()) {
        read.problems.push_back(Problem(i, fields[f].name, "has no"));
        continue;
      }
      const Windows1252Text text = Windows1252FromUtf8(ElementText(collector.lists[f][i]));
      if (!text.lossless) {
        read.problems.push_back(
            Problem(i, fields[f].name, "has characters outside the code page in"));
      } else if (!SetSettingFromText(records[i], fields[f], text.text)) {
        read.problems.push_back(Problem(i, fields[f].name, "has an unreadable") +
                                " (the file says \"" + text.text + "\")");
      }
    }
  }
  return read;
}

}  // namespace kez
