#include "platform/com/dispatch.h"

namespace platform::com {

void DispatchTable::add(int32_t id, std::string name, int arity, Handler handler, bool method, bool get,
                        bool put) {
  members_[id] = Member{std::move(name), arity, arity, method, get, put, std::move(handler)};
}

void DispatchTable::addProperty(int32_t id, std::string name, std::function<Variant()> getter,
                                std::function<void(const Variant&)> setter) {
  const bool canPut = static_cast<bool>(setter);
  Handler handler = [getter = std::move(getter), setter = std::move(setter)](InvokeKind kind,
                                                                             std::span<Variant> args) {
    if (kind == InvokeKind::PropertyPut) {
      setter(args[0]);
      return Variant();
    }
    return getter();
  };
  members_[id] = Member{std::move(name), 0, 1, false, true, canPut, std::move(handler)};
}

void DispatchTable::addIndexedProperty(int32_t id, std::string name, int indexCount,
                                       std::function<Variant(std::span<Variant>)> getter,
                                       std::function<void(std::span<Variant>, const Variant&)> setter) {
  const bool canPut = static_cast<bool>(setter);
  Handler handler = [getter = std::move(getter), setter = std::move(setter)](InvokeKind kind,
                                                                             std::span<Variant> args) {
    if (kind == InvokeKind::PropertyPut) {
      if (args.empty()) raise(err::WrongArgumentCount);  // any index count, but a value is needed
      setter(args.first(args.size() - 1), args.back());
      return Variant();
    }
    return getter(args);
  };
  const int putArity = indexCount < 0 ? -1 : indexCount + 1;
  members_[id] = Member{std::move(name), indexCount, putArity, false, true, canPut, std::move(handler)};
}

int32_t DispatchTable::idOfName(std::string_view name) const {
  for (const auto& [id, member] : members_) {
    if (equalsNoCase(member.name, name)) return id;
  }
  raise(err::NoSuchMember);
}

Variant DispatchTable::invoke(int32_t id, InvokeKind kind, std::span<Variant> args) const {
  const auto it = members_.find(id);
  if (it == members_.end()) raise(err::NoSuchMember);
  const Member& m = it->second;
  int arity = m.arity;
  switch (kind) {
    case InvokeKind::Method:
      if (!m.method) raise(err::NoSuchMember);
      break;
    case InvokeKind::PropertyGet:
      if (!m.get) raise(err::NoSuchMember);
      break;
    case InvokeKind::PropertyPut:
      if (!m.put) raise(err::NoSuchMember);
      arity = m.putArity;
      break;
  }
  if (arity >= 0 && args.size() != static_cast<size_t>(arity)) raise(err::WrongArgumentCount);
  return m.handler(kind, args);
}

std::vector<std::pair<int32_t, std::string>> DispatchTable::members() const {
  std::vector<std::pair<int32_t, std::string>> out;
  out.reserve(members_.size());
  for (const auto& [id, member] : members_) out.emplace_back(id, member.name);
  return out;
}

}  // namespace platform::com
