#include "tolvar/sim/host_frame.h"

#include "platform/com/error.h"
#include "tolvar/sim/host_session.h"
#include "tolvar/sim/status.h"

namespace tolvar::sim {

using platform::com::InvokeKind;

namespace {

// Operations that take an optional Long (views pass 0; a script may pass nothing).
void checkOptional(std::span<Variant> args) {
  if (args.size() > 1) platform::com::raise(platform::com::err::WrongArgumentCount);
}

}  // namespace

SimHostFrame::SimHostFrame(SessionLinkPtr link) : link_(std::move(link)) {
  int32_t id = 1;
  auto simple = [&](const char* name, int32_t (HostSession::*op)()) {
    table_.add(id++, name, -1, [this, op](InvokeKind, std::span<Variant> args) {
      checkOptional(args);
      HostSession* s = session();
      return Variant(s ? (s->*op)() : kStatusHostGone);
    });
  };
  simple("Connect", &HostSession::connect);
  simple("SetAddress", &HostSession::setAddress);
  simple("Disconnect", &HostSession::disconnect);
  simple("LoadFromDevice", &HostSession::loadFromDevice);
  simple("LoadFromDatabase", &HostSession::loadFromDatabase);
  simple("SaveToDatabase", &HostSession::saveToDatabase);
  auto sequence = [&](const char* name, int32_t (HostSession::*op)(const std::string&, int32_t&)) {
    table_.add(id++, name, -1, [this, op](InvokeKind, std::span<Variant> args) {
      if (args.empty() || args.size() > 2) platform::com::raise(platform::com::err::WrongArgumentCount);
      HostSession* s = session();
      int32_t result = kStatusHostGone;
      const int32_t status = s ? (s->*op)(args[0].toString(), result) : kStatusHostGone;
      if (args.size() == 2) args[1] = Variant(result);
      return Variant(status);
    });
  };
  sequence("StartSequence", &HostSession::startSequence);
  sequence("AdjustSequence", &HostSession::adjustSequence);
  table_.add(id++, "OpenView", 1, [this](InvokeKind, std::span<Variant> args) {
    HostSession* s = session();
    return Variant(s ? s->openViewFromFrame(args[0].toString()) : kStatusHostGone);
  });
  // Called without arguments; the views' probe passes one and expects error 450.
  table_.add(id++, "OpenFromDatabase", 0, [this](InvokeKind, std::span<Variant>) {
    HostSession* s = session();
    return Variant(s ? s->openFromDatabase() : kStatusHostGone);
  });
  table_.add(id++, "SaveAsToDatabase", 0, [this](InvokeKind, std::span<Variant>) {
    HostSession* s = session();
    return Variant(s ? s->saveAsToDatabase() : kStatusHostGone);
  });
  if (HostSession* s = session()) {
    for (const std::string& fn : s->menuFunctions()) {
      bool known = false;
      for (const auto& [mid, mname] : table_.members())
        known = known || platform::com::equalsNoCase(mname, fn);
      if (known) continue;
      table_.add(id++, fn, 1, [this, fn](InvokeKind, std::span<Variant> args) {
        HostSession* session = this->session();
        return Variant(session ? session->menuFunction(fn, args[0].toString()) : kStatusHostGone);
      });
    }
  }
}

int32_t SimHostFrame::idOfName(std::string_view name) const {
  return table_.idOfName(name);
}

Variant SimHostFrame::invoke(int32_t id, InvokeKind kind, std::span<Variant> args) {
  return table_.invoke(id, kind, args);
}

void SimHostFrame::Connect(int32_t, int32_t& status) {
  status = session() ? session()->connect() : kStatusHostGone;
}

void SimHostFrame::SetAddress(int32_t, int32_t& status) {
  status = session() ? session()->setAddress() : kStatusHostGone;
}

void SimHostFrame::Disconnect(int32_t, int32_t& status) {
  status = session() ? session()->disconnect() : kStatusHostGone;
}

void SimHostFrame::LoadFromDevice(int32_t, int32_t& status) {
  status = session() ? session()->loadFromDevice() : kStatusHostGone;
}

void SimHostFrame::LoadFromDatabase(int32_t, int32_t& status) {
  status = session() ? session()->loadFromDatabase() : kStatusHostGone;
}

void SimHostFrame::SaveToDatabase(int32_t, int32_t& status) {
  status = session() ? session()->saveToDatabase() : kStatusHostGone;
}

void SimHostFrame::StartSequence(const std::string& sName, int32_t& lResult, int32_t& status) {
  lResult = kStatusHostGone;
  status = session() ? session()->startSequence(sName, lResult) : kStatusHostGone;
}

void SimHostFrame::AdjustSequence(const std::string& sName, int32_t& lResult, int32_t& status) {
  lResult = kStatusHostGone;
  status = session() ? session()->adjustSequence(sName, lResult) : kStatusHostGone;
}

void SimHostFrame::OpenView(const std::string& sProgId, int32_t& status) {
  status = session() ? session()->openViewFromFrame(sProgId) : kStatusHostGone;
}

}  // namespace tolvar::sim
