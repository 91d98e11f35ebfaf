#include "tolvar/sim/dd/device_data_parser.h"

namespace tolvar::dd::detail {

// The third stage: the objects the description's queries walk, with their three info rows.

void Parser::buildObjects() {
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
    o.info2 = {int32_t(s.records.size()), int32_t(s.adjustRecords.size()), int32_t(0), 0.0, 0.0, int32_t(i)};
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

std::pair<double, double> Parser::naturalRange(const VariableDef& v) {
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

}  // namespace tolvar::dd::detail
