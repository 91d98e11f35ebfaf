#include <set>

#include "tolvar/sim/dd/device_data_parser.h"

namespace tolvar::dd::detail {

// The second stage: what the entries name exists and fits.

Status Parser::checkVariableReferences() const {
  for (size_t i = 0; i < data_.variables.size(); ++i) {
    const VariableDef& v = data_.variables[i];
    const std::string& entry = entryNames_[i];
    if (!v.unitItem.empty()) {
      const VariableDef* unit = variable(v.unitItem);
      if (!unit) return fail(entry, "unit item " + inQuotes(v.unitItem) + " is not defined");
      if (unit == &v) return fail(entry, "a variable cannot be its own unit item");
      if (unit->type != ValueType::Enum)
        return fail(entry, "unit item " + inQuotes(v.unitItem) + " is not an enum variable");
    }
    if (v.enumeration.empty()) continue;
    const EnumDef* e = data_.findEnumeration(v.enumeration);
    if (!e) return fail(entry, "enumeration " + inQuotes(v.enumeration) + " is not defined");
    int64_t n = std::get<int64_t>(v.defaultValue);
    if (v.type == ValueType::Enum) {
      if (!e->find(n))
        return fail(entry,
                    "default " + std::to_string(n) + " is not a value of enumeration " + inQuotes(e->name));
    } else {
      int64_t all = 0;
      for (const EnumEntryDef& en : e->entries) {
        if (en.value <= 0 || (en.value & (en.value - 1)) != 0)
          return fail(entry, "enumeration " + inQuotes(e->name) + " of a bitenum holds " +
                                 std::to_string(en.value) + ", which is not a single bit");
        all |= en.value;
      }
      if ((n & ~all) != 0)
        return fail(entry, "default " + std::to_string(n) + " sets bits that enumeration " +
                               inQuotes(e->name) + " does not name");
    }
  }
  return {};
}

Status Parser::checkRecordReferences() const {
  for (size_t i = 0; i < data_.records.size(); ++i) {
    const RecordDef& r = data_.records[i];
    std::string entry = "records[" + std::to_string(i) + "] " + inQuotes(r.name);
    std::set<std::string> seen;
    for (const std::string& item : r.items) {
      const VariableDef* v = variable(item);
      if (!v) return fail(entry, "item " + inQuotes(item) + " is not a defined variable");
      if (!seen.insert(foldCase(item)).second) return fail(entry, "item " + inQuotes(item) + " occurs twice");
      if (r.direction == Direction::Write && v->access != Access::ReadWrite)
        return fail(entry, "writes item " + inQuotes(item) + ", which is read-only");
    }
    // The items through which the host reports the record's progress and takes its answer.
    if (Status fault = requireOwnItem(entry, recordStateItem(r.name), Access::ReadOnly,
                                      {ValueType::Int, ValueType::Enum});
        !fault)
      return fault;
    if (Status fault =
            requireOwnItem(entry, recordResponseItem(r.name), Access::ReadOnly, {ValueType::Bytes});
        !fault)
      return fault;
    if (Status fault = requireOwnItem(entry, recordResponseControlItem(r.name), Access::ReadWrite,
                                      {ValueType::Int, ValueType::Enum});
        !fault)
      return fault;
  }
  return {};
}

Status Parser::checkSequenceReferences() const {
  for (size_t i = 0; i < data_.sequences.size(); ++i) {
    const SequenceDef& s = data_.sequences[i];
    std::string entry = "sequences[" + std::to_string(i) + "] " + inQuotes(s.name);
    for (const std::string& r : s.records)
      if (!data_.findRecord(r)) return fail(entry, "record " + inQuotes(r) + " is not defined");
    for (const std::string& r : s.adjustRecords)
      if (!data_.findRecord(r)) return fail(entry, "adjust record " + inQuotes(r) + " is not defined");
    if (Status fault = requireOwnItem(entry, sequenceStateItem(s.name), Access::ReadOnly,
                                      {ValueType::Int, ValueType::Enum});
        !fault)
      return fault;
    if (Status fault = requireOwnItem(entry, sequenceControlItem(s.name), Access::ReadWrite,
                                      {ValueType::Int, ValueType::Enum});
        !fault)
      return fault;
    if (Status fault =
            requireOwnItem(entry, sequenceProgressItem(s.name), Access::ReadOnly, {ValueType::Int});
        !fault)
      return fault;
  }
  return {};
}

Status Parser::checkMenuReferences() const {
  for (size_t i = 0; i < data_.menu.size(); ++i) {
    const MenuEntryDef& m = data_.menu[i];
    if (m.isSeparator()) continue;
    std::string entry = "menu[" + std::to_string(i) + "] " + inQuotes(m.caption);
    // The views register the state item and write it; the host sets the bits.
    if (Status fault = requireOwnItem(entry, menuStateItem(m.state), Access::ReadWrite,
                                      {ValueType::Int, ValueType::BitEnum});
        !fault)
      return fault;
  }
  return {};
}

Status Parser::requireOwnItem(const std::string& entry, const std::string& name, Access minAccess,
                              std::initializer_list<ValueType> types) const {
  const VariableDef* v = variable(name);
  if (!v) return fail(entry, "its item " + inQuotes(name) + " is not defined");
  if (std::find(types.begin(), types.end(), v->type) == types.end())
    return fail(entry, "its item " + inQuotes(name) + " has type " + std::string(typeName(v->type)) +
                           ", which does not fit");
  if (minAccess == Access::ReadWrite && v->access != Access::ReadWrite)
    return fail(entry, "its item " + inQuotes(name) + " must be read-write");
  return {};
}

Status Parser::checkTransferFlags() const {
  // An item the upload reads or the download writes must be carried by a record that does so.
  std::set<std::string> read, written;
  for (const RecordDef& r : data_.records)
    for (const std::string& item : r.items)
      (r.direction == Direction::Read ? read : written).insert(foldCase(item));
  for (size_t i = 0; i < data_.variables.size(); ++i) {
    const VariableDef& v = data_.variables[i];
    if (v.upload && !read.count(foldCase(v.name)))
      return fail(entryNames_[i], "marked for upload, but no read record carries it");
    if (v.download && !written.count(foldCase(v.name)))
      return fail(entryNames_[i], "marked for download, but no write record carries it");
  }
  return {};
}

}  // namespace tolvar::dd::detail
