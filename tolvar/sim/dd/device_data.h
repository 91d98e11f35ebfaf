#pragma once
// The device description as data: what tolvar/devices/*.json holds, checked and indexed.
// The host's DeviceDescription object, its item store, its sequences and its simulated meter all
// read their definitions from here; the schema is described in tolvar/devices/README.md.
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include "platform/com/text.h"
#include "tolvar/applet/result.h"

namespace tolvar::dd {

enum class ValueType { Float, Double, Int, Enum, BitEnum, String, PackedAscii, Date, Bytes, Bool };
enum class Access { ReadOnly, ReadWrite };
enum class Direction { Read, Write };

// The type's name as the description file spells it ("float", "packed_ascii", ...).
std::string_view typeName(ValueType type);
std::optional<ValueType> parseTypeName(std::string_view name);
bool isNumeric(ValueType type);  // float, double, int, enum, bitenum, bool

struct Date {
  int year = 1900;
  int month = 1;
  int day = 1;
  friend bool operator==(const Date&, const Date&) = default;
};

// A variable's default: bool for bool, int64_t for int/enum/bitenum, double for float/double,
// std::string for string/packed_ascii, Date for date, the octets for bytes.
using Value = std::variant<bool, int64_t, double, std::string, Date, std::vector<uint8_t>>;

struct VariableDef {
  std::string name;
  ValueType type = ValueType::Int;
  Value defaultValue;
  std::string label;
  Access access = Access::ReadOnly;
  std::string unitItem;     // name of the variable that holds this one's unit, or empty
  std::string unitText;     // fixed unit text, or empty
  std::string enumeration;  // enum and bitenum only
  int length = 0;           // string and packed_ascii: maximum number of characters
  int octets = 0;           // bytes: number of octets
  int firstOctet = 0;       // bytes: number of the first octet
  std::optional<double> minimum;
  std::optional<double> maximum;
  int decimals = -1;  // float and double: digits after the point to show; -1 = as the host likes
  bool dataSet = false;
  bool upload = false;
  bool download = false;
  bool refreshAfterAdjust = false;
  std::string help;
  int index = 0;  // position in the description, from 0

  // The default as a number (numeric types; 0 otherwise) and as display text.
  double defaultNumber() const;
  std::string defaultText() const;
  // Octet count of the value as the device transfers it.
  int sizeInOctets() const;
};

struct EnumEntryDef {
  int64_t value = 0;
  std::string text;
};

struct EnumDef {
  std::string name;
  std::string label;
  std::vector<EnumEntryDef> entries;
  const EnumEntryDef* find(int64_t value) const;
};

struct RecordDef {
  std::string name;
  int command = 0;  // HART command number
  Direction direction = Direction::Read;
  std::string label;
  std::vector<std::string> items;  // in transfer order
};

struct SequenceDef {
  std::string name;
  std::string label;
  std::vector<std::string> records;        // run in this order by a start
  std::vector<std::string> adjustRecords;  // run in this order by an adjust
};

struct MenuEntryDef {
  std::string state;    // menu-state name: the item is "&&Menu_State&&" + state
  std::string caption;  // "-" for a separator line
  std::string hint;     // the third text of "fncGetMenuData"
  std::string command;  // function name, optionally a blank and a parameter
  int32_t number = 0;   // the number of "fncGetMenuData"

  bool isSeparator() const { return caption == "-"; }
  // The command split as the views split it: trimmed, then at its first blank.
  std::string function() const;
  std::string parameter() const;
};

// The kinds the description's object queries take ("object", "record", "sequence",
// "enumeration"), matched without regard to case.
enum class ObjectKind { Object, Record, Sequence, Enumeration };
std::optional<ObjectKind> parseObjectKind(std::string_view kind);
std::string_view objectKindName(ObjectKind kind);

// One output of GetObjectInfo, GetObjectInfo2 or GetObjectInfo3.
using InfoValue = std::variant<int32_t, double, std::string>;
using InfoOutputs = std::array<InfoValue, 6>;

// An object as the description's object queries present it. Every variable is an object of
// kind Object; records, sequences and enumerations are objects of their own kinds. Handles
// are unique over all kinds and start at 1. What the six outputs of each GetObjectInfo call
// mean per kind is documented in tolvar/devices/README.md.
struct ObjectDef {
  ObjectKind kind = ObjectKind::Object;
  std::string name;
  int32_t handle = 0;
  InfoOutputs info;
  InfoOutputs info2;
  InfoOutputs info3;
};

// Bits of the first output of GetObjectInfo3 for a variable.
inline constexpr int32_t kObjRefreshAfterAdjust = 0x01;
inline constexpr int32_t kObjDataSet = 0x02;
inline constexpr int32_t kObjUpload = 0x04;
inline constexpr int32_t kObjDownload = 0x08;
inline constexpr int32_t kObjWritable = 0x10;
inline constexpr int32_t kObjHostSide = 0x20;

// Access flags of the fourth output of GetObjectInfo for a variable.
inline constexpr int32_t kAccessRead = 1;
inline constexpr int32_t kAccessWrite = 2;

// The items a record or a sequence owns, as the supervision view forms their names.
std::string recordStateItem(std::string_view record);
std::string recordResponseItem(std::string_view record);
std::string recordResponseControlItem(std::string_view record);
std::string sequenceStateItem(std::string_view sequence);
std::string sequenceControlItem(std::string_view sequence);
std::string sequenceProgressItem(std::string_view sequence);
std::string menuStateItem(std::string_view state);

// Host names are matched without regard to (ASCII) case.
using platform::com::equalsNoCase;
std::string foldCase(std::string_view s);

struct DeviceData {
  std::string source;  // the file (or the name given to parseDeviceData)
  std::string device;
  std::vector<std::pair<std::string, std::string>> properties;
  std::vector<EnumDef> enumerations;
  std::vector<VariableDef> variables;
  std::vector<RecordDef> records;
  std::vector<SequenceDef> sequences;
  std::vector<MenuEntryDef> menu;
  std::vector<ObjectDef> objects;  // variables, records, sequences, enumerations, in that order

  // Case-insensitive look-ups; nullptr when there is no such entry.
  const std::string* property(std::string_view name) const;
  const VariableDef* findVariable(std::string_view name) const;
  const EnumDef* findEnumeration(std::string_view name) const;
  const RecordDef* findRecord(std::string_view name) const;
  const SequenceDef* findSequence(std::string_view name) const;
  const ObjectDef* findObject(ObjectKind kind, std::string_view name) const;
  const ObjectDef* objectByHandle(int32_t handle) const;
  // The objects of one kind in description order (the order GetFirstObject/GetNextObject walk).
  std::vector<const ObjectDef*> objectsOf(ObjectKind kind) const;
  // The enumeration of a variable, or nullptr.
  const EnumDef* enumerationOf(const VariableDef& variable) const;

  // Filled by parseDeviceData; keys are folded names.
  std::unordered_map<std::string, size_t> variableIndex;
  std::unordered_map<std::string, size_t> enumerationIndex;
  std::unordered_map<std::string, size_t> recordIndex;
  std::unordered_map<std::string, size_t> sequenceIndex;
};

// Reads and checks a description. A fault is a failure of reason BadFile whose text names the
// source, the entry (or the line of malformed JSON) and what is wrong with it.
Result<DeviceData> loadDeviceData(const std::filesystem::path& file);
// The same with the texts in `language` ("de"): labels, help texts, enumeration texts and the
// device menu's captions and hints come from translationFile() where there is one; "en", an
// empty language or no such file keep the description's English. A faulty table is a BadFile
// failure naming it.
Result<DeviceData> loadDeviceData(const std::filesystem::path& file, std::string_view language);
// rq4400.json's table for "de": rq4400.de.json beside it.
std::filesystem::path translationFile(const std::filesystem::path& descriptionFile,
                                      std::string_view language);
Result<DeviceData> parseDeviceData(std::string_view json, std::string_view sourceName = "device description");

}  // namespace tolvar::dd
