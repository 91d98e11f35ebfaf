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
  // The arguments are a copy: a member's by-reference parameters write into them, not the caller's.
  // cppcheck-suppress passedByValue ; written to through the span
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

// The checks before a call of a member: that it answers `kind` (438) and takes `argCount`
// arguments (450; an arity of -1 takes any).
struct MemberShape {
  int arity;     // method and get
  int putArity;  // put
  bool method, get, put;
};
PLAT_API void checkMemberCall(const MemberShape& shape, InvokeKind kind, size_t argCount);
// Error 438 for a member name no table has.
[[noreturn]] PLAT_API void raiseNoSuchMember();

// A member table for Dispatch implementations: each member has a number, a name,
// the kinds it answers and an argument count (-1 for any), checked before the call.
// Adding a member with a number already present replaces it.
//
// `Self` is what each call gets besides its arguments: a table of objects that all have the
// same members is made once and shared, and its handlers get the object they run on
// (BasicDispatchTable<Widget&>). DispatchTable's handlers get nothing but the arguments.
template <class... Self>
class BasicDispatchTable {
 public:
  using Handler = std::function<Variant(Self..., InvokeKind, std::span<Variant>)>;

  // `arity` is checked for every kind the member answers. A property put receives the new
  // value as its last argument, so a member whose get and put take different counts goes
  // through addProperty / addIndexedProperty (or arity -1 and its own check).
  void add(int32_t id, std::string name, int arity, Handler handler, bool method = true, bool get = false,
           bool put = false) {
    members_[id] = Member{std::move(name), {arity, arity, method, get, put}, std::move(handler)};
  }
  // A property with a getter and a setter (setter gets args[0]); get takes no argument,
  // put exactly one. A null setter makes the property read-only (put raises 438).
  void addProperty(int32_t id, std::string name, std::function<Variant(Self...)> getter,
                   std::function<void(Self..., const Variant&)> setter) {
    const bool canPut = static_cast<bool>(setter);
    Handler handler = [getter = std::move(getter), setter = std::move(setter)](Self... self, InvokeKind kind,
                                                                               std::span<Variant> args) {
      if (kind == InvokeKind::PropertyPut) {
        setter(self..., args[0]);
        return Variant();
      }
      return getter(self...);
    };
    members_[id] = Member{std::move(name), {0, 1, false, true, canPut}, std::move(handler)};
  }
  // An indexed property such as ChannelCaption(1): get takes `indexCount` arguments, put
  // the same indices followed by the value. A null setter makes it read-only.
  void addIndexedProperty(int32_t id, std::string name, int indexCount,
                          std::function<Variant(Self..., std::span<Variant>)> getter,
                          std::function<void(Self..., std::span<Variant>, const Variant&)> setter) {
    const bool canPut = static_cast<bool>(setter);
    Handler handler = [getter = std::move(getter), setter = std::move(setter)](Self... self, InvokeKind kind,
                                                                               std::span<Variant> args) {
      if (kind == InvokeKind::PropertyPut) {
        if (args.empty()) raise(err::WrongArgumentCount);  // any index count, but a value is needed
        setter(self..., args.first(args.size() - 1), args.back());
        return Variant();
      }
      return getter(self..., args);
    };
    const int putArity = indexCount < 0 ? -1 : indexCount + 1;
    members_[id] = Member{std::move(name), {indexCount, putArity, false, true, canPut}, std::move(handler)};
  }

  bool has(int32_t id) const { return members_.count(id) != 0; }
  // 438 when unknown.
  int32_t idOfName(std::string_view name) const {
    for (const auto& [id, member] : members_) {
      if (equalsNoCase(member.name, name)) return id;
    }
    raiseNoSuchMember();
  }
  Variant invoke(Self... self, int32_t id, InvokeKind kind, std::span<Variant> args) const {
    const auto it = members_.find(id);
    if (it == members_.end()) raiseNoSuchMember();
    checkMemberCall(it->second.shape, kind, args.size());
    return it->second.handler(self..., kind, args);
  }
  std::vector<std::pair<int32_t, std::string>> members() const {
    std::vector<std::pair<int32_t, std::string>> out;
    out.reserve(members_.size());
    for (const auto& [id, member] : members_) out.emplace_back(id, member.name);
    return out;
  }

 private:
  struct Member {
    std::string name;
    MemberShape shape;
    Handler handler;
  };
  std::map<int32_t, Member> members_;
};

using DispatchTable = BasicDispatchTable<>;

}  // namespace platform::com
