#pragma once
// A small item manager with item access for the host-control tests: items by name,
// notifications posted to the event loop as the host delivers them, and a record of the
// watches that are open.
#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "platform/com/variant.h"
#include "platform/ui/control.h"
#include "platform/ui/event_loop.h"
#include "tests/support/null_host.h"
#include "tolvar/applet/applet.h"
#include "tolvar/applet/host_access.h"

namespace fake {

using platform::com::Ptr;
using platform::com::Variant;

class FakeHost final : public testsupport::NullItemManager, public tolvar::HostItemAccess {
 public:
  struct Item {
    std::string type = "double";  // "double", "enum", "string"
    double number = 0;
    std::string text;  // strings only
    bool readOnly = false;
    std::string label;
    std::string unitItem;
    std::string unitText;
    std::vector<tolvar::EnumEntry> enumeration;
    double lo = -std::numeric_limits<double>::infinity();
    double hi = std::numeric_limits<double>::infinity();
  };

  std::map<std::string, Item, platform::ui::NoCaseLess> items;
  std::vector<std::string> released;  // ReleaseView calls, as "view"
  int writes = 0;                     // successful writes through the item access

  Item& number(const std::string& name, double v, std::string unit = {}) {
    Item& i = items[name];
    i.type = "double";
    i.number = v;
    i.unitText = std::move(unit);
    return i;
  }
  Item& enumerated(const std::string& name, int32_t v, std::vector<tolvar::EnumEntry> entries) {
    Item& i = items[name];
    i.type = "enum";
    i.number = v;
    i.enumeration = std::move(entries);
    return i;
  }
  Item& text(const std::string& name, std::string v) {
    Item& i = items[name];
    i.type = "string";
    i.text = std::move(v);
    return i;
  }

  // A host-side write: notifies the watchers of the item and of the items it is the unit of.
  void set(const std::string& name, double v) {
    Item& i = items.at(name);
    if (i.number == v || (std::isnan(i.number) && std::isnan(v))) return;
    i.number = v;
    notify(name);
  }
  void setText(const std::string& name, std::string v) {
    Item& i = items.at(name);
    if (i.text == v) return;
    i.text = std::move(v);
    notify(name);
  }

  int openWatches() const { return static_cast<int>(watches_.size()); }
  int watchesOf(const std::string& name) const {
    int n = 0;
    for (auto& [id, w] : watches_)
      if (platform::com::equalsNoCase(w.name, name)) ++n;
    return n;
  }

  // ---- HostItemAccess
  int32_t watchItem(const std::string& name, std::function<void()> onChange) override {
    if (!items.count(name)) return 0;
    watches_[++nextWatch_] = Watch{name, std::move(onChange)};
    return nextWatch_;
  }
  void unwatchItem(int32_t watchId) override { watches_.erase(watchId); }
  tolvar::ItemDescription describeItem(const std::string& name) override {
    tolvar::ItemDescription d;
    auto it = items.find(name);
    if (it == items.end()) return d;
    d.exists = true;
    d.type = it->second.type;
    d.readOnly = it->second.readOnly;
    d.label = it->second.label;
    d.unitItem = it->second.unitItem;
    d.unitText = it->second.unitItem.empty() ? it->second.unitText : itemText(it->second.unitItem);
    d.enumeration = it->second.enumeration;
    return d;
  }
  std::string itemText(const std::string& name) override {
    auto it = items.find(name);
    if (it == items.end()) return {};
    const Item& i = it->second;
    if (i.type == "string") return i.text;
    if (i.type == "enum") {
      for (auto& e : i.enumeration)
        if (e.value == i.number) return e.text;
    }
    return platform::com::formatNumber(i.number);
  }
  double itemNumber(const std::string& name) override {
    auto it = items.find(name);
    if (it == items.end() || it->second.type == "string") return std::numeric_limits<double>::quiet_NaN();
    return it->second.number;
  }
  int32_t setItemFromText(const std::string& name, const std::string& text, std::string& error) override {
    auto refuse = [&error](const char* why, int32_t status) {
      error = why;
      return status;
    };
    auto it = items.find(name);
    if (it == items.end()) return refuse("No such item", 1);
    Item& i = it->second;
    if (i.readOnly) return refuse("The item is read-only", 2);
    if (i.type == "string") {
      setText(name, text);
      ++writes;
      return 0;
    }
    if (i.type == "enum") {
      for (auto& e : i.enumeration)
        if (e.text == text) {
          set(name, e.value);
          ++writes;
          return 0;
        }
      return refuse("Not an entry", 3);
    }
    auto n = platform::com::parseNumber(text);
    if (!n) return refuse("Not a number", 4);
    if (*n < i.lo || *n > i.hi) return refuse("Out of range", 5);
    set(name, *n);
    ++writes;
    return 0;
  }
  int32_t setItemNumber(const std::string& name, double value) override {
    auto it = items.find(name);
    if (it == items.end() || it->second.readOnly) return 1;
    set(name, value);
    ++writes;
    return 0;
  }

  // ---- AppletItemManager: what the controls do not use answers "done".
  void ReleaseView(Ptr<tolvar::View>, int32_t& status) override {
    released.push_back("view");
    status = 0;
  }

 private:
  struct Watch {
    std::string name;
    std::function<void()> onChange;
  };
  // Delivered by the event loop after the call that caused the change, as the host does;
  // a watch taken back meanwhile may still be called once.
  void notify(const std::string& name) {
    for (auto& [id, w] : watches_) {
      auto it = items.find(w.name);
      const bool unitOf = it != items.end() && platform::com::equalsNoCase(it->second.unitItem, name);
      if (platform::com::equalsNoCase(w.name, name) || unitOf)
        platform::ui::EventLoop::instance().post(w.onChange);
    }
  }

  std::map<int32_t, Watch> watches_;
  int32_t nextWatch_ = 0;
};

// The fake and the counted reference that keeps it.
struct Host {
  FakeHost* fake;
  Ptr<tolvar::AppletItemManager> aim;
};
inline Host makeHost() {
  auto* f = new FakeHost;
  return Host{f, Ptr<tolvar::AppletItemManager>(f)};
}

// An item manager without item access: a host the controls cannot work with.
using BareItemManager = testsupport::NullItemManager;

// Runs the notifications the host has posted.
inline void deliver() {
  platform::ui::EventLoop::instance().drainPosted();
}

}  // namespace fake
