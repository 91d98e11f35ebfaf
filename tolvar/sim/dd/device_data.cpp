#include "tolvar/sim/dd/device_data.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <limits>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <stdexcept>

#include "platform/com/hex.h"
#include "platform/com/json_depth.h"

namespace tolvar::dd {

namespace {

using json = nlohmann::ordered_json;  // keeps the order the description file has

constexpr std::string_view kMenuStatePrefix = "&&Menu_State&&";

// ---------------------------------------------------------------------------------------------
// Small helpers

std::string inQuotes(std::string_view s) {
  return "\"" + std::string(s) + "\"";
}

// A value as an error text quotes it: short, never a whole nested document.
std::string shortJson(const json& j) {
  if (j.is_object()) return "an object";
  if (j.is_array()) return "an array";
  std::string s = j.dump(-1, ' ', false, json::error_handler_t::replace);
  return s.size() > 60 ? s.substr(0, 57) + "..." : s;
}

std::string formatDouble(double d) {
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, d);
  return std::string(buf, res.ptr);
}

// Number of Unicode code points of a UTF-8 text (continuation bytes are not counted).
size_t codePoints(std::string_view s) {
  return static_cast<size_t>(std::count_if(
      s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// Round half to even, as the host's number conversions do; clamps to the 32-bit range, and
// reads values of the unsigned 32-bit range as their signed counterpart (a flag word of
// 0xFFFFFFFE is -2), so that a Long output means what the views make of the item's value.
int32_t toLong(double d) {
  if (std::isnan(d)) return 0;
  double r = std::nearbyint(d);  // default rounding mode: to nearest, ties to even
  if (r > 2147483647.0 && r <= 4294967295.0) r -= 4294967296.0;
  if (r > 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (r < -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(r);
}

bool validName(std::string_view name) {
  if (name.empty()) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    auto u = static_cast<unsigned char>(c);
    return u > 0x20 && u < 0x7F;
  });
}

std::string trimBlanks(std::string_view s) {
  size_t b = s.find_first_not_of(' ');
  if (b == std::string_view::npos) return {};
  size_t e = s.find_last_not_of(' ');
  return std::string(s.substr(b, e - b + 1));
}

std::optional<Date> parseDate(std::string_view s) {
  // YYYY-MM-DD, within what a HART date can hold (years 1900 to 2155).
  if (s.size() != 10 || s[4] != '-' || s[7] != '-') return std::nullopt;
  auto num = [&](size_t pos, size_t len, int& out) {
    auto res = std::from_chars(s.data() + pos, s.data() + pos + len, out);
    return res.ec == std::errc() && res.ptr == s.data() + pos + len;
  };
  Date d;
  if (!num(0, 4, d.year) || !num(5, 2, d.month) || !num(8, 2, d.day)) return std::nullopt;
  if (d.year < 1900 || d.year > 2155 || d.month < 1 || d.month > 12 || d.day < 1) return std::nullopt;
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (d.year % 4 == 0 && d.year % 100 != 0) || d.year % 400 == 0;
  int maxDay = days[d.month - 1] + (d.month == 2 && leap ? 1 : 0);
  if (d.day > maxDay) return std::nullopt;
  return d;
}

std::optional<std::vector<uint8_t>> parseHexOctets(std::string_view s) {
  // Pairs of hexadecimal digits separated by one blank: "04 20 C4"; the empty text is no octet.
  std::vector<uint8_t> out;
  if (s.empty()) return out;
  if ((s.size() + 1) % 3 != 0) return std::nullopt;
  for (size_t i = 0; i < s.size(); i += 3) {
    if (i + 2 < s.size() && s[i + 2] != ' ') return std::nullopt;
    unsigned v = 0;
    auto res = std::from_chars(s.data() + i, s.data() + i + 2, v, 16);
    if (res.ec != std::errc() || res.ptr != s.data() + i + 2) return std::nullopt;
    out.push_back(static_cast<uint8_t>(v));
  }
  return out;
}

std::string categoryOf(std::string_view name) {
  // "&&private_PM&&Address" -> "private_PM"; plain device variables -> "device".
  if (name.substr(0, 2) == "&&") {
    size_t end = name.find("&&", 2);
    if (end != std::string_view::npos) return std::string(name.substr(2, end - 2));
  }
  return "device";
}

// ---------------------------------------------------------------------------------------------
// The checking parser

class Parser {
 public:
  explicit Parser(std::string_view source) { data_.source = std::string(source); }

  DeviceData run(std::string_view text) {
    json doc;
    // Ordered objects are built and copied recursively: a deep document must not reach them.
    if (auto line = platform::com::jsonTooDeepAtLine(text))
      throw std::runtime_error(data_.source + ": too deeply nested at line " + std::to_string(*line));
    try {
      doc = json::parse(text.begin(), text.end());
    } catch (const json::exception& e) {  // a number too large to hold is out_of_range, not parse_error
      throw std::runtime_error(data_.source + ": malformed JSON: " + platform::com::shortJsonError(e.what()));
    }
    if (!doc.is_object()) fail("the document", "must be a JSON object");
    checkKeys(
        doc, "the document",
        {"format", "device", "properties", "enumerations", "variables", "records", "sequences", "menu"});

    if (!doc.contains("format") || !doc["format"].is_number_integer() || doc["format"].get<int64_t>() != 1)
      fail("\"format\"", "must be the number 1");
    data_.device = requireString(doc, "device", "the document");

    parseProperties(doc);
    parseEnumerations(arrayAt(doc, "enumerations"));
    parseVariables(arrayAt(doc, "variables"));
    parseRecords(arrayAt(doc, "records"));
    parseSequences(arrayAt(doc, "sequences"));
    parseMenu(arrayAt(doc, "menu"));

    checkVariableReferences();
    checkRecordReferences();
    checkSequenceReferences();
    checkMenuReferences();
    checkTransferFlags();
    buildObjects();
    return std::move(data_);
  }

 private:
  DeviceData data_;
  std::vector<std::string> entryNames_;  // per variable, for messages after the first pass

  [[noreturn]] void fail(const std::string& entry, const std::string& what) const {
    throw std::runtime_error(data_.source + ": " + entry + ": " + what);
  }

  static std::string entryName(std::string_view list, size_t i, const json& obj) {
    std::string s = std::string(list) + "[" + std::to_string(i) + "]";
    if (obj.is_object() && obj.contains("name") && obj["name"].is_string())
      s += " " + inQuotes(obj["name"].get<std::string>());
    return s;
  }

  void checkKeys(const json& obj, const std::string& entry,
                 std::initializer_list<std::string_view> allowed) const {
    for (auto it = obj.begin(); it != obj.end(); ++it) {
      if (std::find(allowed.begin(), allowed.end(), it.key()) == allowed.end())
        fail(entry, "unknown field " + inQuotes(it.key()));
    }
  }

  const json& arrayAt(const json& doc, const char* key) const {
    static const json empty = json::array();
    if (!doc.contains(key)) return empty;
    const json& a = doc[key];
    if (!a.is_array()) fail(inQuotes(key), "must be an array");
    return a;
  }

  std::string requireString(const json& obj, const char* key, const std::string& entry,
                            bool allowEmpty = false) const {
    if (!obj.contains(key)) fail(entry, "field " + inQuotes(key) + " is missing");
    if (!obj[key].is_string()) fail(entry, "field " + inQuotes(key) + " must be a text");
    std::string s = obj[key].get<std::string>();
    if (s.empty() && !allowEmpty) fail(entry, "field " + inQuotes(key) + " must not be empty");
    return s;
  }

  std::string optionalString(const json& obj, const char* key, const std::string& entry) const {
    if (!obj.contains(key)) return {};
    if (!obj[key].is_string()) fail(entry, "field " + inQuotes(key) + " must be a text");
    return obj[key].get<std::string>();
  }

  bool optionalBool(const json& obj, const char* key, const std::string& entry) const {
    if (!obj.contains(key)) return false;
    if (!obj[key].is_boolean()) fail(entry, "field " + inQuotes(key) + " must be true or false");
    return obj[key].get<bool>();
  }

  int64_t requireInteger(const json& obj, const char* key, const std::string& entry, int64_t lo,
                         int64_t hi) const {
    if (!obj.contains(key)) fail(entry, "field " + inQuotes(key) + " is missing");
    return integerValue(obj[key], key, entry, lo, hi);
  }

  int64_t integerValue(const json& v, const char* key, const std::string& entry, int64_t lo,
                       int64_t hi) const {
    if (!v.is_number_integer()) fail(entry, "field " + inQuotes(key) + " must be a whole number");
    int64_t n = 0;
    if (v.is_number_unsigned()) {
      uint64_t u = v.get<uint64_t>();
      if (u > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
        fail(entry, "field " + inQuotes(key) + " is out of range");
      n = static_cast<int64_t>(u);
    } else {
      n = v.get<int64_t>();
    }
    if (n < lo || n > hi)
      fail(entry, "field " + inQuotes(key) + " must lie between " + std::to_string(lo) + " and " +
                      std::to_string(hi));
    return n;
  }

  std::vector<std::string> nameList(const json& obj, const char* key, const std::string& entry,
                                    bool required) const {
    std::vector<std::string> out;
    if (!obj.contains(key)) {
      if (required) fail(entry, "field " + inQuotes(key) + " is missing");
      return out;
    }
    if (!obj[key].is_array()) fail(entry, "field " + inQuotes(key) + " must be an array of names");
    for (const json& n : obj[key]) {
      if (!n.is_string() || n.get<std::string>().empty())
        fail(entry, "field " + inQuotes(key) + " must hold only non-empty names");
      out.push_back(n.get<std::string>());
    }
    return out;
  }

  template <typename Index>
  void addUnique(Index& index, const std::string& name, size_t pos, const std::string& entry,
                 const char* what, const std::string& firstSpelling) const {
    if (!validName(name)) fail(entry, "name " + inQuotes(name) + " must be printable ASCII without blanks");
    auto [it, inserted] = index.emplace(foldCase(name), pos);
    if (!inserted)
      fail(entry, std::string("duplicate ") + what + " name " + inQuotes(name) +
                      " (names are matched without regard to case; " + inQuotes(firstSpelling) +
                      " comes first)");
  }

  // -------------------------------------------------------------------------------------------

  void parseProperties(const json& doc) {
    if (!doc.contains("properties") || !doc["properties"].is_object())
      fail("\"properties\"", "must be an object of texts");
    std::set<std::string> seen;
    for (auto it = doc["properties"].begin(); it != doc["properties"].end(); ++it) {
      std::string entry = "properties " + inQuotes(it.key());
      if (!it.value().is_string()) fail(entry, "must be a text");
      if (!seen.insert(foldCase(it.key())).second)
        fail(entry, "duplicate property name (names are matched without regard to case)");
      data_.properties.emplace_back(it.key(), it.value().get<std::string>());
    }
    // The views take their window captions and menu title from these two.
    for (const char* required : {"DevDescLong", "Nickname"}) {
      if (!data_.property(required))
        fail("\"properties\"", std::string("property ") + inQuotes(required) + " is missing");
    }
  }

  void parseEnumerations(const json& list) {
    for (size_t i = 0; i < list.size(); ++i) {
      const json& e = list[i];
      std::string entry = entryName("enumerations", i, e);
      if (!e.is_object()) fail(entry, "must be an object");
      checkKeys(e, entry, {"name", "label", "entries"});
      EnumDef def;
      def.name = requireString(e, "name", entry);
      def.label = optionalString(e, "label", entry);
      addUnique(data_.enumerationIndex, def.name, data_.enumerations.size(), entry, "enumeration",
                firstSpelling(data_.enumerationIndex, data_.enumerations, def.name));
      if (!e.contains("entries") || !e["entries"].is_array() || e["entries"].empty())
        fail(entry, "field \"entries\" must be a non-empty array");
      std::set<int64_t> values;
      for (size_t k = 0; k < e["entries"].size(); ++k) {
        const json& en = e["entries"][k];
        std::string sub = entry + " entries[" + std::to_string(k) + "]";
        if (!en.is_object()) fail(sub, "must be an object with \"value\" and \"text\"");
        checkKeys(en, sub, {"value", "text"});
        EnumEntryDef d;
        d.value = requireInteger(en, "value", sub, std::numeric_limits<int32_t>::min(),
                                 std::numeric_limits<int32_t>::max());
        d.text = requireString(en, "text", sub);
        if (!values.insert(d.value).second) fail(sub, "value " + std::to_string(d.value) + " occurs twice");
        def.entries.push_back(std::move(d));
      }
      data_.enumerations.push_back(std::move(def));
    }
  }

  template <typename Index, typename List>
  static std::string firstSpelling(const Index& index, const List& list, const std::string& name) {
    auto it = index.find(foldCase(name));
    return it == index.end() ? std::string() : list[it->second].name;
  }

  void parseVariables(const json& list) {
    for (size_t i = 0; i < list.size(); ++i) {
      const json& v = list[i];
      std::string entry = entryName("variables", i, v);
      if (!v.is_object()) fail(entry, "must be an object");
      checkKeys(v, entry,
                {"name", "type", "default", "label", "access", "unitItem", "unit", "enumeration", "length",
                 "octets", "firstOctet", "min", "max", "decimals", "dataSet", "upload", "download",
                 "refreshAfterAdjust", "help"});
      VariableDef def;
      def.index = static_cast<int>(i);
      def.name = requireString(v, "name", entry);
      addUnique(data_.variableIndex, def.name, data_.variables.size(), entry, "variable",
                firstSpelling(data_.variableIndex, data_.variables, def.name));

      std::string type = requireString(v, "type", entry);
      auto t = parseTypeName(type);
      if (!t) fail(entry, "unknown type " + inQuotes(type));
      def.type = *t;
      def.label = requireString(v, "label", entry);

      std::string access = requireString(v, "access", entry);
      if (access == "read-only")
        def.access = Access::ReadOnly;
      else if (access == "read-write")
        def.access = Access::ReadWrite;
      else
        fail(entry, "access must be \"read-only\" or \"read-write\", not " + inQuotes(access));

      def.unitItem = optionalString(v, "unitItem", entry);
      def.unitText = optionalString(v, "unit", entry);
      if (v.contains("unitItem") && def.unitItem.empty()) fail(entry, "field \"unitItem\" must not be empty");
      if (!def.unitItem.empty() && v.contains("unit"))
        fail(entry, "give either \"unitItem\" or \"unit\", not both");

      bool enumerated = def.type == ValueType::Enum || def.type == ValueType::BitEnum;
      def.enumeration = optionalString(v, "enumeration", entry);
      if (enumerated && def.enumeration.empty())
        fail(entry, "an " + std::string(typeName(def.type)) + " needs an \"enumeration\"");
      if (!enumerated && v.contains("enumeration"))
        fail(entry, "only enum and bitenum variables take an \"enumeration\"");

      bool texty = def.type == ValueType::String || def.type == ValueType::PackedAscii;
      if (texty)
        def.length = static_cast<int>(requireInteger(v, "length", entry, 1, 4096));
      else if (v.contains("length"))
        fail(entry, "only string and packed_ascii variables take a \"length\"");

      if (def.type == ValueType::Bytes) {
        def.octets = static_cast<int>(requireInteger(v, "octets", entry, 1, 4096));
        if (v.contains("firstOctet"))
          def.firstOctet = static_cast<int>(requireInteger(v, "firstOctet", entry, 0, 255));
      } else if (v.contains("octets") || v.contains("firstOctet")) {
        fail(entry, "only bytes variables take \"octets\" and \"firstOctet\"");
      }

      bool ranged =
          def.type == ValueType::Int || def.type == ValueType::Float || def.type == ValueType::Double;
      for (const char* key : {"min", "max"}) {
        if (!v.contains(key)) continue;
        if (!ranged) fail(entry, std::string("only int, float and double variables take \"") + key + "\"");
        if (!v[key].is_number()) fail(entry, std::string("field \"") + key + "\" must be a number");
        (std::string_view(key) == "min" ? def.minimum : def.maximum) = v[key].get<double>();
      }
      if (def.minimum && def.maximum && *def.minimum > *def.maximum) fail(entry, "\"min\" is above \"max\"");

      if (v.contains("decimals")) {
        if (def.type != ValueType::Float && def.type != ValueType::Double)
          fail(entry, "only float and double variables take \"decimals\"");
        def.decimals = static_cast<int>(requireInteger(v, "decimals", entry, 0, 15));
      }

      def.dataSet = optionalBool(v, "dataSet", entry);
      def.upload = optionalBool(v, "upload", entry);
      def.download = optionalBool(v, "download", entry);
      def.refreshAfterAdjust = optionalBool(v, "refreshAfterAdjust", entry);
      def.help = optionalString(v, "help", entry);

      if (!v.contains("default")) fail(entry, "field \"default\" is missing");
      def.defaultValue = parseDefault(v["default"], def, entry);
      entryNames_.push_back(entry);
      data_.variables.push_back(std::move(def));
    }
  }

  Value parseDefault(const json& d, const VariableDef& def, const std::string& entry) const {
    std::string tname(typeName(def.type));
    auto wrong = [&](const std::string& expected) {
      fail(entry, "default " + shortJson(d) + " does not fit type " + tname + " (expected " + expected + ")");
    };
    auto checkRange = [&](double x) {
      if ((def.minimum && x < *def.minimum) || (def.maximum && x > *def.maximum))
        fail(entry, "default " + shortJson(d) + " lies outside \"min\"/\"max\"");
    };
    switch (def.type) {
      case ValueType::Bool:
        if (!d.is_boolean()) wrong("true or false");
        return d.get<bool>();
      case ValueType::Int:
      case ValueType::Enum:
      case ValueType::BitEnum: {
        if (!d.is_number_integer()) wrong("a whole number");
        // Items are 32-bit: signed, or an unsigned flag word such as the engineering context.
        if (d.is_number_unsigned() ? d.get<uint64_t>() > 4294967295ull : d.get<int64_t>() < -2147483648ll)
          wrong("a 32-bit number");
        int64_t n = d.is_number_unsigned() ? static_cast<int64_t>(d.get<uint64_t>()) : d.get<int64_t>();
        if (def.type == ValueType::BitEnum && n < 0) wrong("a bit mask of 0 or more");
        checkRange(static_cast<double>(n));
        return n;
      }
      case ValueType::Float:
      case ValueType::Double: {
        if (!d.is_number()) wrong("a number");
        double x = d.get<double>();
        if (!std::isfinite(x)) wrong("a finite number");
        if (def.type == ValueType::Float && std::fabs(x) > std::numeric_limits<float>::max())
          wrong("a single-precision number");
        checkRange(x);
        return x;
      }
      case ValueType::String:
      case ValueType::PackedAscii: {
        if (!d.is_string()) wrong("a text");
        std::string s = d.get<std::string>();
        if (codePoints(s) > static_cast<size_t>(def.length))
          fail(entry,
               "default " + inQuotes(s) + " is longer than " + std::to_string(def.length) + " characters");
        if (def.type == ValueType::PackedAscii) {
          for (char c : s) {
            auto u = static_cast<unsigned char>(c);
            if (u < 0x20 || u > 0x5F)
              fail(entry, "default " + inQuotes(s) +
                              " holds a character packed ASCII cannot carry (only upper case, digits and "
                              "punctuation)");
          }
        }
        return s;
      }
      case ValueType::Date: {
        if (!d.is_string()) wrong("a date \"YYYY-MM-DD\"");
        auto date = parseDate(d.get<std::string>());
        if (!date) wrong("a valid date \"YYYY-MM-DD\" from 1900 to 2155");
        return *date;
      }
      case ValueType::Bytes: {
        if (!d.is_string()) wrong("hexadecimal octets such as \"04 20 C4\"");
        auto octets = parseHexOctets(d.get<std::string>());
        if (!octets) wrong("hexadecimal octets such as \"04 20 C4\"");
        if (static_cast<int>(octets->size()) != def.octets)
          fail(entry, "default holds " + std::to_string(octets->size()) + " octets, \"octets\" says " +
                          std::to_string(def.octets));
        return *octets;
      }
    }
    wrong("a value");
    return {};
  }

  void parseRecords(const json& list) {
    for (size_t i = 0; i < list.size(); ++i) {
      const json& r = list[i];
      std::string entry = entryName("records", i, r);
      if (!r.is_object()) fail(entry, "must be an object");
      checkKeys(r, entry, {"name", "command", "direction", "label", "items"});
      RecordDef def;
      def.name = requireString(r, "name", entry);
      addUnique(data_.recordIndex, def.name, data_.records.size(), entry, "record",
                firstSpelling(data_.recordIndex, data_.records, def.name));
      def.command = static_cast<int>(requireInteger(r, "command", entry, 0, 65535));
      std::string dir = requireString(r, "direction", entry);
      if (dir == "read")
        def.direction = Direction::Read;
      else if (dir == "write")
        def.direction = Direction::Write;
      else
        fail(entry, "direction must be \"read\" or \"write\", not " + inQuotes(dir));
      def.label = requireString(r, "label", entry);
      def.items = nameList(r, "items", entry, true);
      data_.records.push_back(std::move(def));
    }
  }

  void parseSequences(const json& list) {
    for (size_t i = 0; i < list.size(); ++i) {
      const json& s = list[i];
      std::string entry = entryName("sequences", i, s);
      if (!s.is_object()) fail(entry, "must be an object");
      checkKeys(s, entry, {"name", "label", "records", "adjust"});
      SequenceDef def;
      def.name = requireString(s, "name", entry);
      addUnique(data_.sequenceIndex, def.name, data_.sequences.size(), entry, "sequence",
                firstSpelling(data_.sequenceIndex, data_.sequences, def.name));
      def.label = requireString(s, "label", entry);
      def.records = nameList(s, "records", entry, true);
      if (def.records.empty()) fail(entry, "a sequence runs at least one record");
      def.adjustRecords = nameList(s, "adjust", entry, false);
      data_.sequences.push_back(std::move(def));
    }
  }

  void parseMenu(const json& list) {
    for (size_t i = 0; i < list.size(); ++i) {
      const json& m = list[i];
      std::string entry = "menu[" + std::to_string(i) + "]";
      if (!m.is_object()) fail(entry, "must be an object");
      checkKeys(m, entry, {"state", "caption", "hint", "command", "number"});
      MenuEntryDef def;
      def.caption = requireString(m, "caption", entry);
      entry += " " + inQuotes(def.caption);
      if (def.isSeparator()) {
        // A separator gets no state item and runs nothing.
        if (m.contains("state") || m.contains("command"))
          fail(entry, "a separator takes no \"state\" and no \"command\"");
      } else {
        def.state = requireString(m, "state", entry);
        def.command = requireString(m, "command", entry);
        if (def.function().empty()) fail(entry, "the command names no function");
      }
      def.hint = optionalString(m, "hint", entry);
      if (m.contains("number"))
        def.number = static_cast<int32_t>(requireInteger(
            m, "number", entry, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
      data_.menu.push_back(std::move(def));
    }
  }

  // -------------------------------------------------------------------------------------------
  // References

  const VariableDef* variable(std::string_view name) const { return data_.findVariable(name); }

  void checkVariableReferences() const {
    for (size_t i = 0; i < data_.variables.size(); ++i) {
      const VariableDef& v = data_.variables[i];
      const std::string& entry = entryNames_[i];
      if (!v.unitItem.empty()) {
        const VariableDef* unit = variable(v.unitItem);
        if (!unit) fail(entry, "unit item " + inQuotes(v.unitItem) + " is not defined");
        if (unit == &v) fail(entry, "a variable cannot be its own unit item");
        if (unit->type != ValueType::Enum)
          fail(entry, "unit item " + inQuotes(v.unitItem) + " is not an enum variable");
      }
      if (v.enumeration.empty()) continue;
      const EnumDef* e = data_.findEnumeration(v.enumeration);
      if (!e) fail(entry, "enumeration " + inQuotes(v.enumeration) + " is not defined");
      int64_t n = std::get<int64_t>(v.defaultValue);
      if (v.type == ValueType::Enum) {
        if (!e->find(n))
          fail(entry, "default " + std::to_string(n) + " is not a value of enumeration " + inQuotes(e->name));
      } else {
        int64_t all = 0;
        for (const EnumEntryDef& en : e->entries) {
          if (en.value <= 0 || (en.value & (en.value - 1)) != 0)
            fail(entry, "enumeration " + inQuotes(e->name) + " of a bitenum holds " +
                            std::to_string(en.value) + ", which is not a single bit");
          all |= en.value;
        }
        if ((n & ~all) != 0)
          fail(entry, "default " + std::to_string(n) + " sets bits that enumeration " + inQuotes(e->name) +
                          " does not name");
      }
    }
  }

  void checkRecordReferences() const {
    for (size_t i = 0; i < data_.records.size(); ++i) {
      const RecordDef& r = data_.records[i];
      std::string entry = "records[" + std::to_string(i) + "] " + inQuotes(r.name);
      std::set<std::string> seen;
      for (const std::string& item : r.items) {
        const VariableDef* v = variable(item);
        if (!v) fail(entry, "item " + inQuotes(item) + " is not a defined variable");
        if (!seen.insert(foldCase(item)).second) fail(entry, "item " + inQuotes(item) + " occurs twice");
        if (r.direction == Direction::Write && v->access != Access::ReadWrite)
          fail(entry, "writes item " + inQuotes(item) + ", which is read-only");
      }
      // The items through which the host reports the record's progress and takes its answer.
      requireOwnItem(entry, recordStateItem(r.name), Access::ReadOnly, {ValueType::Int, ValueType::Enum});
      requireOwnItem(entry, recordResponseItem(r.name), Access::ReadOnly, {ValueType::Bytes});
      requireOwnItem(entry, recordResponseControlItem(r.name), Access::ReadWrite,
                     {ValueType::Int, ValueType::Enum});
    }
  }

  void checkSequenceReferences() const {
    for (size_t i = 0; i < data_.sequences.size(); ++i) {
      const SequenceDef& s = data_.sequences[i];
      std::string entry = "sequences[" + std::to_string(i) + "] " + inQuotes(s.name);
      for (const std::string& r : s.records)
        if (!data_.findRecord(r)) fail(entry, "record " + inQuotes(r) + " is not defined");
      for (const std::string& r : s.adjustRecords)
        if (!data_.findRecord(r)) fail(entry, "adjust record " + inQuotes(r) + " is not defined");
      requireOwnItem(entry, sequenceStateItem(s.name), Access::ReadOnly, {ValueType::Int, ValueType::Enum});
      requireOwnItem(entry, sequenceControlItem(s.name), Access::ReadWrite,
                     {ValueType::Int, ValueType::Enum});
      requireOwnItem(entry, sequenceProgressItem(s.name), Access::ReadOnly, {ValueType::Int});
    }
  }

  void checkMenuReferences() const {
    for (size_t i = 0; i < data_.menu.size(); ++i) {
      const MenuEntryDef& m = data_.menu[i];
      if (m.isSeparator()) continue;
      std::string entry = "menu[" + std::to_string(i) + "] " + inQuotes(m.caption);
      // The views register the state item and write it; the host sets the bits.
      requireOwnItem(entry, menuStateItem(m.state), Access::ReadWrite, {ValueType::Int, ValueType::BitEnum});
    }
  }

  // `minAccess` ReadWrite demands a writable item; ReadOnly accepts either.
  void requireOwnItem(const std::string& entry, const std::string& name, Access minAccess,
                      std::initializer_list<ValueType> types) const {
    const VariableDef* v = variable(name);
    if (!v) fail(entry, "its item " + inQuotes(name) + " is not defined");
    if (std::find(types.begin(), types.end(), v->type) == types.end())
      fail(entry, "its item " + inQuotes(name) + " has type " + std::string(typeName(v->type)) +
                      ", which does not fit");
    if (minAccess == Access::ReadWrite && v->access != Access::ReadWrite)
      fail(entry, "its item " + inQuotes(name) + " must be read-write");
  }

  void checkTransferFlags() const {
    // An item the upload reads or the download writes must be carried by a record that does so.
    std::set<std::string> read, written;
    for (const RecordDef& r : data_.records)
      for (const std::string& item : r.items)
        (r.direction == Direction::Read ? read : written).insert(foldCase(item));
    for (size_t i = 0; i < data_.variables.size(); ++i) {
      const VariableDef& v = data_.variables[i];
      if (v.upload && !read.count(foldCase(v.name)))
        fail(entryNames_[i], "marked for upload, but no read record carries it");
      if (v.download && !written.count(foldCase(v.name)))
        fail(entryNames_[i], "marked for download, but no write record carries it");
    }
  }

  // -------------------------------------------------------------------------------------------
  // Objects

  void buildObjects() {
    int32_t handle = 0;
    auto add = [&](ObjectKind kind, const std::string& name) -> ObjectDef& {
      ObjectDef o;
      o.kind = kind;
      o.name = name;
      o.handle = ++handle;
      data_.objects.push_back(std::move(o));
      return data_.objects.back();
    };
    auto firstRecord = [&](const std::string& item, Direction dir) -> std::string {
      for (const RecordDef& r : data_.records) {
        if (r.direction != dir) continue;
        for (const std::string& i : r.items)
          if (equalsNoCase(i, item)) return r.name;
      }
      return {};
    };
    auto join = [](const std::vector<std::string>& names) {
      std::string s;
      for (const std::string& n : names) s += (s.empty() ? "" : ";") + n;
      return s;
    };

    for (const VariableDef& v : data_.variables) {
      ObjectDef& o = add(ObjectKind::Object, v.name);
      int32_t accessFlags = kAccessRead | (v.access == Access::ReadWrite ? kAccessWrite : 0);
      o.info = {v.label,
                std::string(typeName(v.type)),
                v.unitItem.empty() ? v.unitText : v.unitItem,
                accessFlags,
                v.enumeration,
                v.defaultText()};
      auto [lo, hi] = naturalRange(v);
      o.info2 = {toLong(v.defaultNumber()), v.sizeInOctets(),       v.firstOctet,
                 v.minimum.value_or(lo),    v.maximum.value_or(hi), v.decimals};
      int32_t flags = (v.refreshAfterAdjust ? kObjRefreshAfterAdjust : 0) | (v.dataSet ? kObjDataSet : 0) |
                      (v.upload ? kObjUpload : 0) | (v.download ? kObjDownload : 0) |
                      (v.access == Access::ReadWrite ? kObjWritable : 0) |
                      (std::string_view(v.name).substr(0, 2) == "&&" ? kObjHostSide : 0);
      o.info3 = {flags,
                 firstRecord(v.name, Direction::Read),
                 firstRecord(v.name, Direction::Write),
                 categoryOf(v.name),
                 v.help,
                 v.index};
    }
    for (size_t i = 0; i < data_.records.size(); ++i) {
      const RecordDef& r = data_.records[i];
      ObjectDef& o = add(ObjectKind::Record, r.name);
      int32_t octets = 0;
      for (const std::string& item : r.items) octets += variable(item)->sizeInOctets();
      o.info = {r.label,
                std::string("record"),
                std::string(r.direction == Direction::Read ? "read" : "write"),
                int32_t(r.command),
                std::string(),
                int32_t(r.items.size())};
      o.info2 = {int32_t(r.command), int32_t(r.items.size()), octets, 0.0, 0.0, int32_t(i)};
      o.info3 = {int32_t(0),
                 recordStateItem(r.name),
                 recordResponseItem(r.name),
                 recordResponseControlItem(r.name),
                 join(r.items),
                 int32_t(i)};
    }
    for (size_t i = 0; i < data_.sequences.size(); ++i) {
      const SequenceDef& s = data_.sequences[i];
      ObjectDef& o = add(ObjectKind::Sequence, s.name);
      o.info = {s.label,       std::string("sequence"),        std::string(), int32_t(s.records.size()),
                std::string(), int32_t(s.adjustRecords.size())};
      o.info2 = {
          int32_t(s.records.size()), int32_t(s.adjustRecords.size()), int32_t(0), 0.0, 0.0, int32_t(i)};
      o.info3 = {int32_t(0),
                 sequenceStateItem(s.name),
                 sequenceControlItem(s.name),
                 sequenceProgressItem(s.name),
                 join(s.records),
                 int32_t(i)};
    }
    for (size_t i = 0; i < data_.enumerations.size(); ++i) {
      const EnumDef& e = data_.enumerations[i];
      ObjectDef& o = add(ObjectKind::Enumeration, e.name);
      auto [lo, hi] =
          std::minmax_element(e.entries.begin(), e.entries.end(),
                              [](const EnumEntryDef& a, const EnumEntryDef& b) { return a.value < b.value; });
      o.info = {e.label,      std::string("enumeration"), std::string(), int32_t(e.entries.size()), e.name,
                std::string()};
      o.info2 = {int32_t(e.entries.size()), int32_t(lo->value), int32_t(hi->value), 0.0, 0.0, int32_t(i)};
      o.info3 = {int32_t(0), std::string(), std::string(), std::string(), std::string(), int32_t(i)};
    }
  }

  static std::pair<double, double> naturalRange(const VariableDef& v) {
    switch (v.type) {
      case ValueType::Float:
        return {-std::numeric_limits<float>::max(), std::numeric_limits<float>::max()};
      case ValueType::Double:
        return {-std::numeric_limits<double>::max(), std::numeric_limits<double>::max()};
      case ValueType::Int:
        return {-2147483648.0, 4294967295.0};
      case ValueType::Bool:
        return {0.0, 1.0};
      default:
        return {0.0, 0.0};
    }
  }
};

template <typename List>
auto* lookup(const std::unordered_map<std::string, size_t>& index, const List& list, std::string_view name) {
  auto it = index.find(foldCase(name));
  return it == index.end() ? nullptr : &list[it->second];
}

}  // namespace

// ---------------------------------------------------------------------------------------------

std::string_view typeName(ValueType type) {
  switch (type) {
    case ValueType::Float:
      return "float";
    case ValueType::Double:
      return "double";
    case ValueType::Int:
      return "int";
    case ValueType::Enum:
      return "enum";
    case ValueType::BitEnum:
      return "bitenum";
    case ValueType::String:
      return "string";
    case ValueType::PackedAscii:
      return "packed_ascii";
    case ValueType::Date:
      return "date";
    case ValueType::Bytes:
      return "bytes";
    case ValueType::Bool:
      return "bool";
  }
  return "?";
}

std::optional<ValueType> parseTypeName(std::string_view name) {
  for (ValueType t :
       {ValueType::Float, ValueType::Double, ValueType::Int, ValueType::Enum, ValueType::BitEnum,
        ValueType::String, ValueType::PackedAscii, ValueType::Date, ValueType::Bytes, ValueType::Bool}) {
    if (typeName(t) == name) return t;
  }
  return std::nullopt;
}

bool isNumeric(ValueType type) {
  switch (type) {
    case ValueType::Float:
    case ValueType::Double:
    case ValueType::Int:
    case ValueType::Enum:
    case ValueType::BitEnum:
    case ValueType::Bool:
      return true;
    default:
      return false;
  }
}

double VariableDef::defaultNumber() const {
  if (auto b = std::get_if<bool>(&defaultValue)) return *b ? 1.0 : 0.0;
  if (auto n = std::get_if<int64_t>(&defaultValue)) return static_cast<double>(*n);
  if (auto d = std::get_if<double>(&defaultValue)) return *d;
  return 0.0;
}

std::string VariableDef::defaultText() const {
  if (auto b = std::get_if<bool>(&defaultValue)) return *b ? "true" : "false";
  if (auto n = std::get_if<int64_t>(&defaultValue)) return std::to_string(*n);
  if (auto d = std::get_if<double>(&defaultValue)) return formatDouble(*d);
  if (auto s = std::get_if<std::string>(&defaultValue)) return *s;
  if (auto dt = std::get_if<Date>(&defaultValue)) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", dt->year, dt->month, dt->day);
    return buf;
  }
  return platform::com::hexOctets(std::get<std::vector<uint8_t>>(defaultValue));
}

int VariableDef::sizeInOctets() const {
  switch (type) {
    case ValueType::Float:
      return 4;
    case ValueType::Double:
      return 8;
    case ValueType::Int:
      return 4;
    case ValueType::Enum:
    case ValueType::BitEnum:
    case ValueType::Bool:
      return 1;
    case ValueType::String:
      return length;
    case ValueType::PackedAscii:
      return (6 * length + 7) / 8;
    case ValueType::Date:
      return 3;
    case ValueType::Bytes:
      return octets;
  }
  return 0;
}

const EnumEntryDef* EnumDef::find(int64_t value) const {
  for (const EnumEntryDef& e : entries)
    if (e.value == value) return &e;
  return nullptr;
}

std::string MenuEntryDef::function() const {
  std::string c = trimBlanks(command);
  size_t p = c.find(' ');
  return p == std::string::npos ? c : c.substr(0, p);
}

std::string MenuEntryDef::parameter() const {
  std::string c = trimBlanks(command);
  size_t p = c.find(' ');
  return p == std::string::npos ? std::string() : c.substr(p + 1);
}

std::optional<ObjectKind> parseObjectKind(std::string_view kind) {
  for (ObjectKind k : {ObjectKind::Object, ObjectKind::Record, ObjectKind::Sequence, ObjectKind::Enumeration})
    if (equalsNoCase(objectKindName(k), kind)) return k;
  return std::nullopt;
}

std::string_view objectKindName(ObjectKind kind) {
  switch (kind) {
    case ObjectKind::Object:
      return "object";
    case ObjectKind::Record:
      return "record";
    case ObjectKind::Sequence:
      return "sequence";
    case ObjectKind::Enumeration:
      return "enumeration";
  }
  return "?";
}

std::string recordStateItem(std::string_view record) {
  return "&&Record_State&&" + std::string(record);
}
std::string recordResponseItem(std::string_view record) {
  return "&&Record_Response&&" + std::string(record);
}
std::string recordResponseControlItem(std::string_view record) {
  return "&&Record_Response_Control&&" + std::string(record);
}
std::string sequenceStateItem(std::string_view sequence) {
  return "&&Sequence_State&&" + std::string(sequence);
}
std::string sequenceControlItem(std::string_view sequence) {
  return "&&Sequence_Control&&" + std::string(sequence);
}
std::string sequenceProgressItem(std::string_view sequence) {
  return "&&Sequence_Progress&&" + std::string(sequence);
}
std::string menuStateItem(std::string_view state) {
  return std::string(kMenuStatePrefix) + std::string(state);
}

std::string foldCase(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && foldCase(a) == foldCase(b);
}

const std::string* DeviceData::property(std::string_view name) const {
  for (const auto& [key, value] : properties)
    if (equalsNoCase(key, name)) return &value;
  return nullptr;
}

const VariableDef* DeviceData::findVariable(std::string_view name) const {
  return lookup(variableIndex, variables, name);
}
const EnumDef* DeviceData::findEnumeration(std::string_view name) const {
  return lookup(enumerationIndex, enumerations, name);
}
const RecordDef* DeviceData::findRecord(std::string_view name) const {
  return lookup(recordIndex, records, name);
}
const SequenceDef* DeviceData::findSequence(std::string_view name) const {
  return lookup(sequenceIndex, sequences, name);
}

const ObjectDef* DeviceData::findObject(ObjectKind kind, std::string_view name) const {
  // Objects are laid out kind by kind in the order of the lists they come from.
  size_t base = 0;
  const std::unordered_map<std::string, size_t>* index = nullptr;
  switch (kind) {
    case ObjectKind::Object:
      index = &variableIndex;
      break;
    case ObjectKind::Record:
      base = variables.size();
      index = &recordIndex;
      break;
    case ObjectKind::Sequence:
      base = variables.size() + records.size();
      index = &sequenceIndex;
      break;
    case ObjectKind::Enumeration:
      base = variables.size() + records.size() + sequences.size();
      index = &enumerationIndex;
      break;
  }
  auto it = index->find(foldCase(name));
  if (it == index->end() || base + it->second >= objects.size()) return nullptr;
  return &objects[base + it->second];
}

const ObjectDef* DeviceData::objectByHandle(int32_t handle) const {
  if (handle < 1 || static_cast<size_t>(handle) > objects.size()) return nullptr;
  return &objects[static_cast<size_t>(handle) - 1];
}

std::vector<const ObjectDef*> DeviceData::objectsOf(ObjectKind kind) const {
  std::vector<const ObjectDef*> out;
  for (const ObjectDef& o : objects)
    if (o.kind == kind) out.push_back(&o);
  return out;
}

const EnumDef* DeviceData::enumerationOf(const VariableDef& variable) const {
  return variable.enumeration.empty() ? nullptr : findEnumeration(variable.enumeration);
}

DeviceData parseDeviceData(std::string_view json, std::string_view sourceName) {
  return Parser(sourceName).run(json);
}

DeviceData loadDeviceData(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error(file.string() + ": cannot be opened");
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw std::runtime_error(file.string() + ": cannot be read");
  return parseDeviceData(text.str(), file.string());
}

}  // namespace tolvar::dd
