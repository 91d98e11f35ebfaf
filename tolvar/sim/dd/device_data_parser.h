#pragma once
// The checking parser behind parseDeviceData, shared by the files of its stages: reading the
// entries (device_data_entries.cpp), checking what they refer to (device_data_references.cpp) and
// building the objects the description's queries present (device_data_objects.cpp).
#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tolvar/sim/dd/device_data.h"

namespace tolvar::dd::detail {

using json = nlohmann::ordered_json;  // keeps the order the description file has

inline constexpr std::string_view kMenuStatePrefix = "&&Menu_State&&";

// Small helpers (device_data_text.cpp)
std::string inQuotes(std::string_view s);
std::string shortJson(const json& j);
std::string formatDouble(double d);
int32_t toLong(double d);
bool validName(std::string_view name);
std::optional<Date> parseDate(std::string_view s);
std::optional<std::vector<uint8_t>> parseHexOctets(std::string_view s);
std::string categoryOf(std::string_view name);

// ---------------------------------------------------------------------------------------------
// The checking parser

class Parser {
 public:
  explicit Parser(std::string_view source) { data_.source = std::string(source); }

  // The description, or a BadFile failure naming the source, the entry and the first fault.
  Result<DeviceData> run(std::string_view text);

 private:
  DeviceData data_;
  std::vector<std::string> entryNames_;  // per variable, for messages after the first pass

  Status fail(const std::string& entry, const std::string& what) const {
    return Status::fail(Reason::BadFile, data_.source + ": " + entry + ": " + what);
  }

  // Stores a read field in `out`, or hands its failure on.
  template <typename T, typename U>
  static Status take(T& out, Result<U> read) {
    if (!read) return read.error();
    out = static_cast<T>(std::move(read).value());
    return {};
  }

  static std::string entryName(std::string_view list, size_t i, const json& obj) {
    std::string s = std::string(list) + "[" + std::to_string(i) + "]";
    if (obj.is_object() && obj.contains("name") && obj["name"].is_string())
      s += " " + inQuotes(obj["name"].get<std::string>());
    return s;
  }

  Status checkKeys(const json& obj, const std::string& entry,
                   std::initializer_list<std::string_view> allowed) const {
    for (auto it = obj.begin(); it != obj.end(); ++it) {
      if (std::find(allowed.begin(), allowed.end(), it.key()) == allowed.end())
        return fail(entry, "unknown field " + inQuotes(it.key()));
    }
    return {};
  }

  Result<const json*> arrayAt(const json& doc, const char* key) const {
    static const json empty = json::array();
    if (!doc.contains(key)) return &empty;
    const json& a = doc[key];
    if (!a.is_array()) return fail(inQuotes(key), "must be an array");
    return &a;
  }

  Result<std::string> requireString(const json& obj, const char* key, const std::string& entry,
                                    bool allowEmpty = false) const {
    if (!obj.contains(key)) return fail(entry, "field " + inQuotes(key) + " is missing");
    if (!obj[key].is_string()) return fail(entry, "field " + inQuotes(key) + " must be a text");
    std::string s = obj[key].get<std::string>();
    if (s.empty() && !allowEmpty) return fail(entry, "field " + inQuotes(key) + " must not be empty");
    return s;
  }

  Result<std::string> optionalString(const json& obj, const char* key, const std::string& entry) const {
    if (!obj.contains(key)) return std::string();
    if (!obj[key].is_string()) return fail(entry, "field " + inQuotes(key) + " must be a text");
    return obj[key].get<std::string>();
  }

  Result<bool> optionalBool(const json& obj, const char* key, const std::string& entry) const {
    if (!obj.contains(key)) return false;
    if (!obj[key].is_boolean()) return fail(entry, "field " + inQuotes(key) + " must be true or false");
    return obj[key].get<bool>();
  }

  Result<int64_t> requireInteger(const json& obj, const char* key, const std::string& entry, int64_t lo,
                                 int64_t hi) const {
    if (!obj.contains(key)) return fail(entry, "field " + inQuotes(key) + " is missing");
    return integerValue(obj[key], key, entry, lo, hi);
  }

  Result<int64_t> integerValue(const json& v, const char* key, const std::string& entry, int64_t lo,
                               int64_t hi) const {
    if (!v.is_number_integer()) return fail(entry, "field " + inQuotes(key) + " must be a whole number");
    int64_t n = 0;
    if (v.is_number_unsigned()) {
      uint64_t u = v.get<uint64_t>();
      if (u > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
        return fail(entry, "field " + inQuotes(key) + " is out of range");
      n = static_cast<int64_t>(u);
    } else {
      n = v.get<int64_t>();
    }
    if (n < lo || n > hi)
      return fail(entry, "field " + inQuotes(key) + " must lie between " + std::to_string(lo) + " and " +
                             std::to_string(hi));
    return n;
  }

  Result<std::vector<std::string>> nameList(const json& obj, const char* key, const std::string& entry,
                                            bool required) const {
    std::vector<std::string> out;
    if (!obj.contains(key)) {
      if (required) return fail(entry, "field " + inQuotes(key) + " is missing");
      return out;
    }
    if (!obj[key].is_array()) return fail(entry, "field " + inQuotes(key) + " must be an array of names");
    for (const json& n : obj[key]) {
      if (!n.is_string() || n.get<std::string>().empty())
        return fail(entry, "field " + inQuotes(key) + " must hold only non-empty names");
      out.push_back(n.get<std::string>());
    }
    return out;
  }

  template <typename Index>
  Status addUnique(Index& index, const std::string& name, size_t pos, const std::string& entry,
                   const char* what, const std::string& firstSpelling) const {
    if (!validName(name))
      return fail(entry, "name " + inQuotes(name) + " must be printable ASCII without blanks");
    auto [it, inserted] = index.emplace(foldCase(name), pos);
    if (!inserted)
      return fail(entry, std::string("duplicate ") + what + " name " + inQuotes(name) +
                             " (names are matched without regard to case; " + inQuotes(firstSpelling) +
                             " comes first)");
    return {};
  }

  // -------------------------------------------------------------------------------------------
  // Reading the entries (device_data_entries.cpp)
  Status parseProperties(const json& doc);
  Status parseEnumerations(const json& list);

  template <typename Index, typename List>
  static std::string firstSpelling(const Index& index, const List& list, const std::string& name) {
    auto it = index.find(foldCase(name));
    return it == index.end() ? std::string() : list[it->second].name;
  }

  Status parseVariables(const json& list);
  Result<Value> parseDefault(const json& d, const VariableDef& def, const std::string& entry) const;
  Status parseRecords(const json& list);
  Status parseSequences(const json& list);
  Status parseMenu(const json& list);

  // -------------------------------------------------------------------------------------------
  // References

  const VariableDef* variable(std::string_view name) const { return data_.findVariable(name); }

  // device_data_references.cpp
  Status checkVariableReferences() const;
  Status checkRecordReferences() const;
  Status checkSequenceReferences() const;
  Status checkMenuReferences() const;
  // `minAccess` ReadWrite demands a writable item; ReadOnly accepts either.
  Status requireOwnItem(const std::string& entry, const std::string& name, Access minAccess,
                        std::initializer_list<ValueType> types) const;
  Status checkTransferFlags() const;

  // -------------------------------------------------------------------------------------------
  // Objects

  // device_data_objects.cpp
  void buildObjects();
  static std::pair<double, double> naturalRange(const VariableDef& v);
};

}  // namespace tolvar::dd::detail
