// A minimal component library for the loader tests: it serves "ComTest.Adder" (a late-bound
// object) and "ComTest.Null" (a class whose factory fails to make an object).
#include "platform/com/dispatch.h"
#include "platform/com/server.h"

using namespace platform::com;

namespace {

LiveCount& liveCount() {
  static LiveCount count;
  return count;
}

class Adder final : public Dispatch {
 public:
  Adder() : Dispatch(&liveCount()) {
    table_.add(1, "Add", 2,
               [](InvokeKind, std::span<Variant> a) { return Variant(a[0].toLong() + a[1].toLong()); });
    table_.add(2, "Twice", 1, [](InvokeKind, std::span<Variant> a) {
      a[0] = Variant(a[0].toLong() * 2);  // by reference
      return Variant();
    });
  }
  int32_t idOfName(std::string_view name) const override { return table_.idOfName(name); }
  Variant invoke(int32_t id, InvokeKind kind, std::span<Variant> args) override {
    return table_.invoke(id, kind, args);
  }

 private:
  DispatchTable table_;
};

struct Module {
  ServerModule server{"com_test_server", liveCount()};
  Module() {
    server.addClass("ComTest.Adder", "{6f1c2a0e-0001-4c6e-9d1a-000000000001}",
                    [] { return Ptr<Unknown>(new Adder()); });
    server.addClass("ComTest.Null", "{6f1c2a0e-0001-4c6e-9d1a-000000000002}", [] { return Ptr<Unknown>(); });
  }
};

ServerModule& module() {
  static Module m;
  return m.server;
}

}  // namespace

PLAT_SERVER_ENTRY_POINTS(module)
