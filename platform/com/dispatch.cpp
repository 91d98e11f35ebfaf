#include "platform/com/dispatch.h"

namespace platform::com {

void checkMemberCall(const MemberShape& shape, InvokeKind kind, size_t argCount) {
  int arity = shape.arity;
  switch (kind) {
    case InvokeKind::Method:
      if (!shape.method) raise(err::NoSuchMember);
      break;
    case InvokeKind::PropertyGet:
      if (!shape.get) raise(err::NoSuchMember);
      break;
    case InvokeKind::PropertyPut:
      if (!shape.put) raise(err::NoSuchMember);
      arity = shape.putArity;
      break;
  }
  if (arity >= 0 && argCount != static_cast<size_t>(arity)) raise(err::WrongArgumentCount);
}

void raiseNoSuchMember() {
  raise(err::NoSuchMember);
}

}  // namespace platform::com
