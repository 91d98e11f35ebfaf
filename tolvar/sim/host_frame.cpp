#include "tolvar/sim/host_frame.h"

#include "platform/com/error.h"
#include "tolvar/sim/frame_operations.h"
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
  auto simple = [&](const char* name, int32_t (FrameOperations::*op)()) {
    table_.add(id++, name, -1, [this, op](InvokeKind, std::span<Variant> args) {
      checkOptional(args);
      HostSession* s = session();
      return Variant(s ? (s->frameOperations().*op)() : kStatusHostGone);
    });
  };
  simple("Connect", &FrameOperations::connect);
  simple("SetAddress", &FrameOperations::setAddress);
  simple("Disconnect", &FrameOperations::disconnect);
  simple("LoadFromDevice", &FrameOperations::loadFromDevice);
  simple("LoadFromDatabase", &FrameOperations::loadFromDatabase);
  simple("SaveToDatabase", &FrameOperations::saveToDatabase);
  auto sequence = [&](const char* name, int32_t (FrameOperations::*op)(const std::string&, int32_t&)) {
    table_.add(id++, name, -1, [this, op](InvokeKind, std::span<Variant> args) {
      if (args.empty() || args.size() > 2) platform::com::raise(platform::com::err::WrongArgumentCount);
      HostSession* s = session();
      int32_t result = kStatusHostGone;
      const int32_t status = s ? (s->frameOperations().*op)(args[0].toString(), result) : kStatusHostGone;
      if (args.size() == 2) args[1] = Variant(result);
      return Variant(status);
    });
  };
  sequence("StartSequence", &FrameOperations::startSequence);
  sequence("AdjustSequence", &FrameOperations::adjustSequence);
  table_.add(id++, "OpenView", 1, [this](InvokeKind, std::span<Variant> args) {
    HostSession* s = session();
    return Variant(s ? s->frameOperations().openViewFromFrame(args[0].toString()) : kStatusHostGone);
  });
  // Called without arguments; the views' probe passes one and expects error 450.
  table_.add(id++, "OpenFromDatabase", 0, [this](InvokeKind, std::span<Variant>) {
    HostSession* s = session();
    return Variant(s ? s->frameOperations().openFromDatabase() : kStatusHostGone);
  });
  table_.add(id++, "SaveAsToDatabase", 0, [this](InvokeKind, std::span<Variant>) {
    HostSession* s = session();
    return Variant(s ? s->frameOperations().saveAsToDatabase() : kStatusHostGone);
  });
  if (HostSession* s = session()) {
    for (const std::string& fn : s->frameOperations().menuFunctions()) {
      bool known = false;
      for (const auto& [mid, mname] : table_.members())
        known = known || platform::com::equalsNoCase(mname, fn);
      if (known) continue;
      table_.add(id++, fn, 1, [this, fn](InvokeKind, std::span<Variant> args) {
        HostSession* session = this->session();
        return Variant(session ? session->frameOperations().menuFunction(fn, args[0].toString())
                               : kStatusHostGone);
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
  status = session() ? session()->frameOperations().connect() : kStatusHostGone;
}

void SimHostFrame::SetAddress(int32_t, int32_t& status) {
  status = session() ? session()->frameOperations().setAddress() : kStatusHostGone;
}

void SimHostFrame::Disconnect(int32_t, int32_t& status) {
  status = session() ? session()->frameOperations().disconnect() : kStatusHostGone;
}

void SimHostFrame::LoadFromDevice(int32_t, int32_t& status) {
  status = session() ? session()->frameOperations().loadFromDevice() : kStatusHostGone;
}

void SimHostFrame::LoadFromDatabase(int32_t, int32_t& status) {
  status = session() ? session()->frameOperations().loadFromDatabase() : kStatusHostGone;
}

void SimHostFrame::SaveToDatabase(int32_t, int32_t& status) {
  status = session() ? session()->frameOperations().saveToDatabase() : kStatusHostGone;
}

void SimHostFrame::StartSequence(const std::string& sName, int32_t& lResult, int32_t& status) {
  lResult = kStatusHostGone;
  status = session() ? session()->frameOperations().startSequence(sName, lResult) : kStatusHostGone;
}

void SimHostFrame::AdjustSequence(const std::string& sName, int32_t& lResult, int32_t& status) {
  lResult = kStatusHostGone;
  status = session() ? session()->frameOperations().adjustSequence(sName, lResult) : kStatusHostGone;
}

void SimHostFrame::OpenView(const std::string& sProgId, int32_t& status) {
  status = session() ? session()->frameOperations().openViewFromFrame(sProgId) : kStatusHostGone;
}

}  // namespace tolvar::sim
