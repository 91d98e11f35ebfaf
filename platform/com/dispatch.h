#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/error.h"
#include "platform/com/export.h"
#include "platform/com/ref.h"
#include "platform/com/variant.h"

namespace platform::com {

enum class InvokeKind : uint8_t { Method, PropertyGet, PropertyPut };

// Late-bound calls by number or by name. Arguments are in call order (the first
// argument first); a member with by-reference parameters writes them back into `args`.
class PLAT_API Dispatch : public Unknown {
 public:
  // The number of a member by name (case-insensitive); error 438 when there is none.
  virtual int32_t idOfName(std::string_view name) const = 0;
  // Error 438 for an unknown member or kind, 450 for a wrong argument count.
  virtual Variant invoke(int32_t id, InvokeKind kind, std::span<Variant> args) = 0;

  Variant invokeByName(std::string_view name, InvokeKind kind, std::span<Variant> args) {
    return invoke(idOfName(name), kind, args);
  }
  Variant call(std::string_view name, std::vector<Variant> args = {}) {
    return invokeByName(name, InvokeKind::Method, args);
  }
  Variant get(int32_t id) { return invoke(id, InvokeKind::PropertyGet, {}); }
  void put(int32_t id, Variant value) {
    Variant args[1] = {std::move(value)};
    invoke(id, InvokeKind::PropertyPut, args);
  }

 protected:
  using Unknown::Unknown;
};

// A member table for Dispatch implementations: each member has a number, a name,
// the kinds it answers and an argument count (-1 for any), checked before the call.
// Adding a member with a number already present replaces it.
class PLAT_API DispatchTable {
 public:
  using Handler = std::function<Variant(InvokeKind, std::span<Variant>)>;

  // `arity` is checked for every kind the member answers. A property put receives the new
  // value as its last argument, so a member whose get and put take different counts goes
  // through addProperty / addIndexedProperty (or arity -1 and its own check).
  void add(int32_t id, std::string name, int arity, Handler handler, bool method = true, bool get = false,
           bool put = false);
  // A property with a getter and a setter (setter gets args[0]); get takes no argument,
  // put exactly one. A null setter makes the property read-only (put raises 438).
  void addProperty(int32_t id, std::string name, std::function<Variant()> getter,
                   std::function<void(const Variant&)> setter);
  // An indexed property such as ChannelCaption(1): get takes `indexCount` arguments, put
  // the same indices followed by the value. A null setter makes it read-only.
  void addIndexedProperty(int32_t id, std::string name, int indexCount,
                          std::function<Variant(std::span<Variant>)> getter,
                          std::function<void(std::span<Variant>, const Variant&)> setter);

  bool has(int32_t id) const { return members_.count(id) != 0; }
  int32_t idOfName(std::string_view name) const;  // 438 when unknown
  Variant invoke(int32_t id, InvokeKind kind, std::span<Variant> args) const;
  std::vector<std::pair<int32_t, std::string>> members() const;

 private:
  struct Member {
    std::string name;
    int arity;     // method and get
    int putArity;  // put
    bool method, get, put;
    Handler handler;
  };
  std::map<int32_t, Member> members_;
};

}  // namespace platform::com
