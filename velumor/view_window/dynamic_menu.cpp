#include "velumor/view_window/dynamic_menu.h"

#include <cmath>
#include <exception>
#include <utility>

#include "platform/com/error.h"
#include "platform/com/text.h"
#include "platform/com/variant.h"
#include "velumor/view_window/seq_start_queue.h"
#include "velumor/view_window/view_window.h"

namespace velumor::view_window {

using platform::com::Variant;

namespace {

constexpr char kEntry[] = "dynaMenuEntry";

using platform::com::equalsNoCase;

// A menu-state value as the Byte the bits are taken from; nothing for a failed read or a
// value outside 0 to 255.
std::optional<int32_t> stateByte(tolvar::AppletItemManager& im, int32_t handle) {
  double v = 0;
  int32_t status = 0;
  im.GetValue(handle, v, status);
  if (status != 0) return std::nullopt;
  const std::optional<int32_t> b = roundToLong(v);
  if (!b || *b < 0 || *b > 255) return std::nullopt;
  return b;
}

}  // namespace

DynamicMenu::DynamicMenu(ViewWindow& window, std::string ownClassName)
    : window_(window), ownClassName_(std::move(ownClassName)) {}

void DynamicMenu::BuildDynamicMenu(tolvar::DeviceDescription* dd) {
  if (!dd)
    platform::com::raise(platform::com::err::ObjectNotSet,
                         window_.name() + ": no device description for the device menu");
  struct Work {
    std::string caption;
    std::string state;
  };
  std::vector<Work> work;
  {
    Variant args[2] = {Variant("NickName"), Variant("")};
    Variant r(int32_t{-1});
    try {
      r = dd->invokeByName("fncGetGeneralString", platform::com::InvokeKind::Method, args);
    } catch (const platform::com::RuntimeError& e) {
      // A device description without a menu of its own: the window has no device menu.
      if (e.number() != platform::com::err::NoSuchMember) throw;
    }
    if (r.toLong() == 0) {
      nickName_ = args[1].toString();
      window_.menu("dynaMenu").setCaption(nickName_);
      Variant countArgs[2] = {Variant("menu"), Variant(int32_t{0})};
      const Variant rc = dd->invokeByName("fncNumberOfEntries", platform::com::InvokeKind::Method, countArgs);
      const int32_t count = countArgs[1].toLong();
      if (rc.toLong() == 0 && count >= 1) {
        work.resize(static_cast<size_t>(count));
        records_.assign(static_cast<size_t>(count), DynaMenuRecord{});
        Variant handle(int32_t{0});
        for (int32_t i = 0; i < count; ++i) {
          if (i == 0) {
            Variant a[2] = {Variant("menu"), Variant(int32_t{0})};
            dd->invokeByName("fncGetFirstEntryHandle", platform::com::InvokeKind::Method, a);
            handle = a[1];
          } else {
            Variant a[1] = {handle};
            dd->invokeByName("fncGetNextEntryHandle", platform::com::InvokeKind::Method, a);
            handle = a[0];
          }
          Variant d[6] = {handle, Variant(""), Variant(""), Variant(""), Variant(""), Variant(int32_t{0})};
          dd->invokeByName("fncGetMenuData", platform::com::InvokeKind::Method, d);
          work[i].state = d[1].toString();
          work[i].caption = d[2].toString();
          std::string command(platform::com::trim(d[4].toString(), " "));
          const size_t blank = command.find(' ');
          if (blank != std::string::npos) {
            records_[i].sParam = command.substr(blank + 1);
            command.resize(blank);
          }
          records_[i].sFunction = command;
        }
        // Entries of an earlier build go; entry 0 is the design's.
        for (int32_t index : window_.arrayIndices(kEntry))
          if (index > 0) window_.unloadControl(kEntry, index);
        window_.menu(kEntry, 0).setCaption(work[0].caption);
        window_.menu(kEntry, 0).setEnabled(true);
        for (int32_t i = 1; i < count; ++i) window_.loadControl(kEntry, i).setCaption(work[i].caption);
      }
    }
  }
  for (size_t i = 0; i < work.size(); ++i) {
    if (work[i].caption == "-") continue;
    platform::ui::MenuControl& entry = window_.menu(kEntry, static_cast<int32_t>(i));
    entry.setEnabled(true);
    window_.registerItem("&&Menu_State&&" + work[i].state, false, records_[i].lStateHandle,
                         kMenuStateTag + static_cast<int32_t>(i), 0);
    if (!ownClassName_.empty() && records_[i].sParam.find(ownClassName_) != std::string::npos) {
      // The entry would open this very window: its state no longer notifies, it stays hidden.
      window_.unadviseItem(records_[i].lStateHandle);
      // A late notification of the given-up handle must not show the entry again.
      records_[i].lStateHandle = 0;
      entry.setEnabled(false);
      entry.setVisible(false);
    }
  }
}

void DynamicMenu::forwardMouseUp(const std::vector<std::string_view>& controls) {
  for (std::string_view name : controls) {
    if (name == "Form") continue;  // the window's own MouseUp is forwarded by ViewWindow
    window_.on(name, "MouseUp", [this](const platform::ui::EventArgs& a) { ShowContextMenu(a.button); });
  }
}

void DynamicMenu::ShowContextMenu(int16_t button) {
  if (button != platform::ui::kRightButton) return;
  // Without entries only the design's placeholder would show.
  if (records_.empty()) return;
  try {
    window_.popupMenu(window_.menu("dynaMenu"));
  } catch (const std::exception&) {
    // A menu that cannot pop up now is simply not shown.
  }
}

void DynamicMenu::dynaMenuEntry_Click(int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= records_.size()) return;
  const DynaMenuRecord record = records_[static_cast<size_t>(index)];
  Hourglass busy(window_);
  if (equalsNoCase(record.sFunction, "SaveToDevice")) {
    window_.QueueSeqStart("FULL_DOWNLOAD");
    return;
  }
  platform::com::Ptr<tolvar::HostFrame> frame =
      window_.binding().frame(window_.name() + ".dynaMenuEntry_Click");
  Variant args[1] = {Variant(record.sParam)};
  frame->invokeByName(record.sFunction, platform::com::InvokeKind::Method, args);
}

void DynamicMenu::ApplyMenuState(int32_t handle, int32_t tag) {
  const int32_t index = tag - kMenuStateTag;
  if (index < 0 || static_cast<size_t>(index) >= records_.size()) return;
  // Only the entry's own, still advised state item moves it.
  if (handle == 0 || handle != records_[static_cast<size_t>(index)].lStateHandle) return;
  if (!window_.hasControl(kEntry, index)) return;
  tolvar::AppletItemManager& im = window_.binding().requireItemManager(window_.name(), "ApplyMenuState");
  double v = 0;
  int32_t status = 0;
  im.GetValue(handle, v, status);
  const std::optional<int32_t> s = roundToLong(v);
  if (!s || !window_.alive()) return;
  platform::ui::MenuControl& entry = window_.menu(kEntry, index);
  entry.setVisible((*s & tolvar::kMenuVisible) != 0);
  entry.setEnabled((*s & tolvar::kMenuEnabled) != 0);
  entry.setProperty("Checked", (*s & tolvar::kMenuChecked) != 0);
}

void DynamicMenu::DisableStartFormEntries() {
  std::vector<size_t> cleared;
  tolvar::AppletItemManager* im = window_.binding().itemManager();
  for (size_t i = 0; im && i < records_.size(); ++i) {
    if (!equalsNoCase(records_[i].sFunction, "fncStartForm") || records_[i].lStateHandle == 0) continue;
    const std::optional<int32_t> b = stateByte(*im, records_[i].lStateHandle);
    if (!b || (*b & tolvar::kMenuEnabled) == 0) continue;  // nothing to take away
    int32_t status = 0;
    im->SetValue(records_[i].lStateHandle, static_cast<double>(*b & 253), status);
    if (status == 0) cleared.push_back(i);
  }
  disabled_.push_back(std::move(cleared));
}

void DynamicMenu::EnableStartFormEntries() {
  if (disabled_.empty()) return;  // an Enable without its Disable changes nothing
  const std::vector<size_t> cleared = std::move(disabled_.back());
  disabled_.pop_back();
  tolvar::AppletItemManager* im = window_.binding().itemManager();
  if (!im) return;
  for (size_t i : cleared) {
    if (i >= records_.size()) continue;
    const std::optional<int32_t> b = stateByte(*im, records_[i].lStateHandle);
    if (!b) continue;
    int32_t status = 0;
    im->SetValue(records_[i].lStateHandle, static_cast<double>(*b | tolvar::kMenuEnabled), status);
  }
}

}  // namespace velumor::view_window
