#include <set>

#include "platform/com/json_depth.h"
#include "tolvar/sim/dd/device_data_parser.h"

namespace tolvar::dd::detail {

// The first stage: every entry of the description read and checked on its own.

DeviceData Parser::run(std::string_view text) {
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
  checkKeys(doc, "the document",
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

void Parser::parseProperties(const json& doc) {
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

void Parser::parseEnumerations(const json& list) {
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

void Parser::parseVariables(const json& list) {
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

    bool ranged = def.type == ValueType::Int || def.type == ValueType::Float || def.type == ValueType::Double;
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

Value Parser::parseDefault(const json& d, const VariableDef& def, const std::string& entry) const {
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
      if (platform::com::codePointCount(s) > static_cast<size_t>(def.length))
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

void Parser::parseRecords(const json& list) {
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

void Parser::parseSequences(const json& list) {
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

void Parser::parseMenu(const json& list) {
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

}  // namespace tolvar::dd::detail
