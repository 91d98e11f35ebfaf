#include "tolvar/sim/dd/device_data.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/com/hex.h"
#include "tolvar/sim/dd/device_data_parser.h"

namespace tolvar::dd {

namespace {

using detail::formatDouble;
using detail::kMenuStatePrefix;

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
  std::string c(platform::com::trim(command, " "));
  size_t p = c.find(' ');
  return p == std::string::npos ? c : c.substr(0, p);
}

std::string MenuEntryDef::parameter() const {
  std::string c(platform::com::trim(command, " "));
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

Result<DeviceData> parseDeviceData(std::string_view json, std::string_view sourceName) {
  return detail::Parser(sourceName).run(json);
}

Result<DeviceData> loadDeviceData(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return Status::fail(Reason::BadFile, file.string() + ": cannot be opened");
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return Status::fail(Reason::BadFile, file.string() + ": cannot be read");
  return parseDeviceData(text.str(), file.string());
}

}  // namespace tolvar::dd