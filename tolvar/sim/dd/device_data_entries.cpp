#include <set>

#include "platform/com/json_depth.h"
#include "tolvar/sim/dd/device_data_parser.h"

namespace tolvar::dd::detail {

// The first stage: every entry of the description read and checked on its own.

Result<DeviceData> Parser::run(std::string_view text) {
  json doc;
  // Ordered objects are built and copied recursively: a deep document must not reach them.
  if (auto line = platform::com::jsonTooDeepAtLine(text))
    return Status::fail(Reason::BadFile,
                        data_.source + ": too deeply nested at line " + std::to_string(*line));
  try {
    doc = json::parse(text.begin(), text.end());
  } catch (const json::exception& e) {  // a number too large to hold is out_of_range, not parse_error
    return Status::fail(Reason::BadFile,
                        data_.source + ": malformed JSON: " + platform::com::shortJsonError(e.what()));
  }
  if (!doc.is_object()) return fail("the document", "must be a JSON object");
  if (Status fault = checkKeys(
          doc, "the document",
          {"format", "device", "properties", "enumerations", "variables", "records", "sequences", "menu"});
      !fault)
    return fault;

  if (!doc.contains("format") || !doc["format"].is_number_integer() || doc["format"].get<int64_t>() != 1)
    return fail("\"format\"", "must be the number 1");
  if (Status fault = take(data_.device, requireString(doc, "device", "the document")); !fault) return fault;

  if (Status fault = parseProperties(doc); !fault) return fault;
  using ListParser = Status (Parser::*)(const json&);
  const std::pair<const char*, ListParser> lists[] = {{"enumerations", &Parser::parseEnumerations},
                                                      {"variables", &Parser::parseVariables},
                                                      {"records", &Parser::parseRecords},
                                                      {"sequences", &Parser::parseSequences},
                                                      {"menu", &Parser::parseMenu}};
  for (const auto& [key, parse] : lists) {
    const Result<const json*> list = arrayAt(doc, key);
    if (!list) return list.error();
    if (Status fault = (this->*parse)(**list); !fault) return fault;
  }

  if (Status fault = checkVariableReferences(); !fault) return fault;
  if (Status fault = checkRecordReferences(); !fault) return fault;
  if (Status fault = checkSequenceReferences(); !fault) return fault;
  if (Status fault = checkMenuReferences(); !fault) return fault;
  if (Status fault = checkTransferFlags(); !fault) return fault;
  buildObjects();
  return std::move(data_);
}

Status Parser::parseProperties(const json& doc) {
  if (!doc.contains("properties") || !doc["properties"].is_object())
    return fail("\"properties\"", "must be an object of texts");
  std::set<std::string> seen;
  for (auto it = doc["properties"].begin(); it != doc["properties"].end(); ++it) {
    std::string entry = "properties " + inQuotes(it.key());
    if (!it.value().is_string()) return fail(entry, "must be a text");
    if (!seen.insert(foldCase(it.key())).second)
      return fail(entry, "duplicate property name (names are matched without regard to case)");
    data_.properties.emplace_back(it.key(), it.value().get<std::string>());
  }
  // The views take their window captions and menu title from these two.
  for (const char* required : {"DevDescLong", "Nickname"}) {
    if (!data_.property(required))
      return fail("\"properties\"", std::string("property ") + inQuotes(required) + " is missing");
  }
  return {};
}

Status Parser::parseEnumerations(const json& list) {
  for (size_t i = 0; i < list.size(); ++i) {
    const json& e = list[i];
    std::string entry = entryName("enumerations", i, e);
    if (!e.is_object()) return fail(entry, "must be an object");
    if (Status fault = checkKeys(e, entry, {"name", "label", "entries"}); !fault) return fault;
    EnumDef def;
    if (Status fault = take(def.name, requireString(e, "name", entry)); !fault) return fault;
    if (Status fault = take(def.label, optionalString(e, "label", entry)); !fault) return fault;
    if (Status fault =
            addUnique(data_.enumerationIndex, def.name, data_.enumerations.size(), entry, "enumeration",
                      firstSpelling(data_.enumerationIndex, data_.enumerations, def.name));
        !fault)
      return fault;
    if (!e.contains("entries") || !e["entries"].is_array() || e["entries"].empty())
      return fail(entry, "field \"entries\" must be a non-empty array");
    std::set<int64_t> values;
    for (size_t k = 0; k < e["entries"].size(); ++k) {
      const json& en = e["entries"][k];
      std::string sub = entry + " entries[" + std::to_string(k) + "]";
      if (!en.is_object()) return fail(sub, "must be an object with \"value\" and \"text\"");
      if (Status fault = checkKeys(en, sub, {"value", "text"}); !fault) return fault;
      EnumEntryDef d;
      if (Status fault = take(d.value, requireInteger(en, "value", sub, std::numeric_limits<int32_t>::min(),
                                                      std::numeric_limits<int32_t>::max()));
          !fault)
        return fault;
      if (Status fault = take(d.text, requireString(en, "text", sub)); !fault) return fault;
      if (!values.insert(d.value).second)
        return fail(sub, "value " + std::to_string(d.value) + " occurs twice");
      def.entries.push_back(std::move(d));
    }
    data_.enumerations.push_back(std::move(def));
  }
  return {};
}

Status Parser::parseVariables(const json& list) {
  for (size_t i = 0; i < list.size(); ++i) {
    const json& v = list[i];
    std::string entry = entryName("variables", i, v);
    if (!v.is_object()) return fail(entry, "must be an object");
    if (Status fault = checkKeys(v, entry,
                                 {"name", "type", "default", "label", "access", "unitItem", "unit",
                                  "enumeration", "length", "octets", "firstOctet", "min", "max", "decimals",
                                  "dataSet", "upload", "download", "refreshAfterAdjust", "help"});
        !fault)
      return fault;
    VariableDef def;
    def.index = static_cast<int>(i);
    if (Status fault = take(def.name, requireString(v, "name", entry)); !fault) return fault;
    if (Status fault = addUnique(data_.variableIndex, def.name, data_.variables.size(), entry, "variable",
                                 firstSpelling(data_.variableIndex, data_.variables, def.name));
        !fault)
      return fault;

    std::string type;
    if (Status fault = take(type, requireString(v, "type", entry)); !fault) return fault;
    auto t = parseTypeName(type);
    if (!t) return fail(entry, "unknown type " + inQuotes(type));
    def.type = *t;
    if (Status fault = take(def.label, requireString(v, "label", entry)); !fault) return fault;

    std::string access;
    if (Status fault = take(access, requireString(v, "access", entry)); !fault) return fault;
    if (access == "read-only")
      def.access = Access::ReadOnly;
    else if (access == "read-write")
      def.access = Access::ReadWrite;
    else
      return fail(entry, "access must be \"read-only\" or \"read-write\", not " + inQuotes(access));

    if (Status fault = take(def.unitItem, optionalString(v, "unitItem", entry)); !fault) return fault;
    if (Status fault = take(def.unitText, optionalString(v, "unit", entry)); !fault) return fault;
    if (v.contains("unitItem") && def.unitItem.empty())
      return fail(entry, "field \"unitItem\" must not be empty");
    if (!def.unitItem.empty() && v.contains("unit"))
      return fail(entry, "give either \"unitItem\" or \"unit\", not both");

    bool enumerated = def.type == ValueType::Enum || def.type == ValueType::BitEnum;
    if (Status fault = take(def.enumeration, optionalString(v, "enumeration", entry)); !fault) return fault;
    if (enumerated && def.enumeration.empty())
      return fail(entry, "an " + std::string(typeName(def.type)) + " needs an \"enumeration\"");
    if (!enumerated && v.contains("enumeration"))
      return fail(entry, "only enum and bitenum variables take an \"enumeration\"");

    bool texty = def.type == ValueType::String || def.type == ValueType::PackedAscii;
    if (texty) {
      if (Status fault = take(def.length, requireInteger(v, "length", entry, 1, 4096)); !fault) return fault;
    } else if (v.contains("length")) {
      return fail(entry, "only string and packed_ascii variables take a \"length\"");
    }

    if (def.type == ValueType::Bytes) {
      if (Status fault = take(def.octets, requireInteger(v, "octets", entry, 1, 4096)); !fault) return fault;
      if (v.contains("firstOctet"))
        if (Status fault = take(def.firstOctet, requireInteger(v, "firstOctet", entry, 0, 255)); !fault)
          return fault;
    } else if (v.contains("octets") || v.contains("firstOctet")) {
      return fail(entry, "only bytes variables take \"octets\" and \"firstOctet\"");
    }

    bool ranged = def.type == ValueType::Int || def.type == ValueType::Float || def.type == ValueType::Double;
    for (const char* key : {"min", "max"}) {
      if (!v.contains(key)) continue;
      if (!ranged)
        return fail(entry, std::string("only int, float and double variables take \"") + key + "\"");
      if (!v[key].is_number()) return fail(entry, std::string("field \"") + key + "\" must be a number");
      (std::string_view(key) == "min" ? def.minimum : def.maximum) = v[key].get<double>();
    }
    if (def.minimum && def.maximum && *def.minimum > *def.maximum)
      return fail(entry, "\"min\" is above \"max\"");

    if (v.contains("decimals")) {
      if (def.type != ValueType::Float && def.type != ValueType::Double)
        return fail(entry, "only float and double variables take \"decimals\"");
      if (Status fault = take(def.decimals, requireInteger(v, "decimals", entry, 0, 15)); !fault)
        return fault;
    }

    if (Status fault = take(def.dataSet, optionalBool(v, "dataSet", entry)); !fault) return fault;
    if (Status fault = take(def.upload, optionalBool(v, "upload", entry)); !fault) return fault;
    if (Status fault = take(def.download, optionalBool(v, "download", entry)); !fault) return fault;
    if (Status fault = take(def.refreshAfterAdjust, optionalBool(v, "refreshAfterAdjust", entry)); !fault)
      return fault;
    if (Status fault = take(def.help, optionalString(v, "help", entry)); !fault) return fault;

    if (!v.contains("default")) return fail(entry, "field \"default\" is missing");
    if (Status fault = take(def.defaultValue, parseDefault(v["default"], def, entry)); !fault) return fault;
    entryNames_.push_back(entry);
    data_.variables.push_back(std::move(def));
  }
  return {};
}

Result<Value> Parser::parseDefault(const json& d, const VariableDef& def, const std::string& entry) const {
  std::string tname(typeName(def.type));
  auto wrong = [&](const std::string& expected) {
    return fail(entry,
                "default " + shortJson(d) + " does not fit type " + tname + " (expected " + expected + ")");
  };
  auto checkRange = [&](double x) {
    if ((def.minimum && x < *def.minimum) || (def.maximum && x > *def.maximum))
      return fail(entry, "default " + shortJson(d) + " lies outside \"min\"/\"max\"");
    return Status();
  };
  switch (def.type) {
    case ValueType::Bool:
      if (!d.is_boolean()) return wrong("true or false");
      return Value(d.get<bool>());
    case ValueType::Int:
    case ValueType::Enum:
    case ValueType::BitEnum: {
      if (!d.is_number_integer()) return wrong("a whole number");
      // Items are 32-bit: signed, or an unsigned flag word such as the engineering context.
      if (d.is_number_unsigned() ? d.get<uint64_t>() > 4294967295ull : d.get<int64_t>() < -2147483648ll)
        return wrong("a 32-bit number");
      int64_t n = d.is_number_unsigned() ? static_cast<int64_t>(d.get<uint64_t>()) : d.get<int64_t>();
      if (def.type == ValueType::BitEnum && n < 0) return wrong("a bit mask of 0 or more");
      if (Status fault = checkRange(static_cast<double>(n)); !fault) return fault;
      return Value(n);
    }
    case ValueType::Float:
    case ValueType::Double: {
      if (!d.is_number()) return wrong("a number");
      double x = d.get<double>();
      if (!std::isfinite(x)) return wrong("a finite number");
      if (def.type == ValueType::Float && std::fabs(x) > std::numeric_limits<float>::max())
        return wrong("a single-precision number");
      if (Status fault = checkRange(x); !fault) return fault;
      return Value(x);
    }
    case ValueType::String:
    case ValueType::PackedAscii: {
      if (!d.is_string()) return wrong("a text");
      std::string s = d.get<std::string>();
      if (platform::com::codePointCount(s) > static_cast<size_t>(def.length))
        return fail(entry, "default " + inQuotes(s) + " is longer than " + std::to_string(def.length) +
                               " characters");
      if (def.type == ValueType::PackedAscii) {
        for (char c : s) {
          auto u = static_cast<unsigned char>(c);
          if (u < 0x20 || u > 0x5F)
            return fail(entry,
                        "default " + inQuotes(s) +
                            " holds a character packed ASCII cannot carry (only upper case, digits and "
                            "punctuation)");
        }
      }
      return Value(s);
    }
    case ValueType::Date: {
      if (!d.is_string()) return wrong("a date \"YYYY-MM-DD\"");
      auto date = parseDate(d.get<std::string>());
      if (!date) return wrong("a valid date \"YYYY-MM-DD\" from 1900 to 2155");
      return Value(*date);
    }
    case ValueType::Bytes: {
      if (!d.is_string()) return wrong("hexadecimal octets such as \"04 20 C4\"");
      auto octets = parseHexOctets(d.get<std::string>());
      if (!octets) return wrong("hexadecimal octets such as \"04 20 C4\"");
      if (static_cast<int>(octets->size()) != def.octets)
        return fail(entry, "default holds " + std::to_string(octets->size()) + " octets, \"octets\" says " +
                               std::to_string(def.octets));
      return Value(*octets);
    }
  }
  return wrong("a value");
}

Status Parser::parseRecords(const json& list) {
  for (size_t i = 0; i < list.size(); ++i) {
    const json& r = list[i];
    std::string entry = entryName("records", i, r);
    if (!r.is_object()) return fail(entry, "must be an object");
    if (Status fault = checkKeys(r, entry, {"name", "command", "direction", "label", "items"}); !fault)
      return fault;
    RecordDef def;
    if (Status fault = take(def.name, requireString(r, "name", entry)); !fault) return fault;
    if (Status fault = addUnique(data_.recordIndex, def.name, data_.records.size(), entry, "record",
                                 firstSpelling(data_.recordIndex, data_.records, def.name));
        !fault)
      return fault;
    if (Status fault = take(def.command, requireInteger(r, "command", entry, 0, 65535)); !fault) return fault;
    std::string dir;
    if (Status fault = take(dir, requireString(r, "direction", entry)); !fault) return fault;
    if (dir == "read")
      def.direction = Direction::Read;
    else if (dir == "write")
      def.direction = Direction::Write;
    else
      return fail(entry, "direction must be \"read\" or \"write\", not " + inQuotes(dir));
    if (Status fault = take(def.label, requireString(r, "label", entry)); !fault) return fault;
    if (Status fault = take(def.items, nameList(r, "items", entry, true)); !fault) return fault;
    data_.records.push_back(std::move(def));
  }
  return {};
}

Status Parser::parseSequences(const json& list) {
  for (size_t i = 0; i < list.size(); ++i) {
    const json& s = list[i];
    std::string entry = entryName("sequences", i, s);
    if (!s.is_object()) return fail(entry, "must be an object");
    if (Status fault = checkKeys(s, entry, {"name", "label", "records", "adjust"}); !fault) return fault;
    SequenceDef def;
    if (Status fault = take(def.name, requireString(s, "name", entry)); !fault) return fault;
    if (Status fault = addUnique(data_.sequenceIndex, def.name, data_.sequences.size(), entry, "sequence",
                                 firstSpelling(data_.sequenceIndex, data_.sequences, def.name));
        !fault)
      return fault;
    if (Status fault = take(def.label, requireString(s, "label", entry)); !fault) return fault;
    if (Status fault = take(def.records, nameList(s, "records", entry, true)); !fault) return fault;
    if (def.records.empty()) return fail(entry, "a sequence runs at least one record");
    if (Status fault = take(def.adjustRecords, nameList(s, "adjust", entry, false)); !fault) return fault;
    data_.sequences.push_back(std::move(def));
  }
  return {};
}

Status Parser::parseMenu(const json& list) {
  for (size_t i = 0; i < list.size(); ++i) {
    const json& m = list[i];
    std::string entry = "menu[" + std::to_string(i) + "]";
    if (!m.is_object()) return fail(entry, "must be an object");
    if (Status fault = checkKeys(m, entry, {"state", "caption", "hint", "command", "number"}); !fault)
      return fault;
    MenuEntryDef def;
    if (Status fault = take(def.caption, requireString(m, "caption", entry)); !fault) return fault;
    entry += " " + inQuotes(def.caption);
    if (def.isSeparator()) {
      // A separator gets no state item and runs nothing.
      if (m.contains("state") || m.contains("command"))
        return fail(entry, "a separator takes no \"state\" and no \"command\"");
    } else {
      if (Status fault = take(def.state, requireString(m, "state", entry)); !fault) return fault;
      if (Status fault = take(def.command, requireString(m, "command", entry)); !fault) return fault;
      if (def.function().empty()) return fail(entry, "the command names no function");
    }
    if (Status fault = take(def.hint, optionalString(m, "hint", entry)); !fault) return fault;
    if (m.contains("number"))
      if (Status fault =
              take(def.number, requireInteger(m, "number", entry, std::numeric_limits<int32_t>::min(),
                                              std::numeric_limits<int32_t>::max()));
          !fault)
        return fault;
    data_.menu.push_back(std::move(def));
  }
  return {};
}

}  // namespace tolvar::dd::detail
