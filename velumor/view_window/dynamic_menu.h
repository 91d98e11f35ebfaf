#pragma once
// The device's own menu as a context menu of a view window: built once from the device
// description into the hidden top menu "dynaMenu" and its entry array "dynaMenuEntry",
// popped up by a right-button release over the controls the window names, each entry
// following its host menu-state item ("&&Menu_State&&" + state name, tag &H10000000 + i).
// A click calls the entry's function by name on the host frame with exactly one String
// argument; "SaveToDevice" queues "FULL_DOWNLOAD" instead. The entry whose parameter names
// the window's own view class is given back, disabled and hidden for good.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tolvar/applet/applet.h"

namespace velumor::view_window {

class ViewWindow;

// One entry of the device menu.
struct DynaMenuRecord {
  std::string sFunction;     // the command's text before its first blank
  std::string sParam;        // the text after the first blank; empty when there is none
  int32_t lStateHandle = 0;  // the entry's state item; 0 for separators
};

class DynamicMenu {
 public:
  static constexpr int32_t kMenuStateTag = 0x10000000;

  // `ownClassName`: the window's own view class ("VelumorMainViewClass").
  DynamicMenu(ViewWindow& window, std::string ownClassName);

  // Reads the device description's "menu" list (called once by the registration tick).
  // Without a nickname, or with no entry, nothing is built and nothing registered.
  void BuildDynamicMenu(tolvar::DeviceDescription* dd);
  // Every MouseUp of these controls pops the menu up on the right button ("Form": the
  // window itself).
  void forwardMouseUp(const std::vector<std::string_view>& controls);
  // Pops the menu up when `button` is 2 and it has at least one entry; errors ignored.
  void ShowContextMenu(int16_t button);
  // Runs entry `index` (hourglass around it; an index without a record does nothing).
  void dynaMenuEntry_Click(int32_t index);
  // Tag &H10000000 + i: the entry's visibility, enabled state and check mark from its
  // state item. An index outside the menu, or a value that is no Long, drops the record.
  void ApplyMenuState(int32_t handle, int32_t tag);

  // Clears the enabled bit of every "fncStartForm" entry's state item that has it set and
  // remembers which it cleared; Enable sets the bit again on exactly those, read from the
  // current value. Pairs nest. A read that fails writes nothing.
  void DisableStartFormEntries();
  void EnableStartFormEntries();

  const std::vector<DynaMenuRecord>& records() const { return records_; }
  const std::string& nickName() const { return nickName_; }

 private:
  ViewWindow& window_;
  std::string ownClassName_;
  std::string nickName_;
  std::vector<DynaMenuRecord> records_;
  // Per Disable not yet matched by an Enable: the indices whose bit it cleared.
  std::vector<std::vector<size_t>> disabled_;
};

}  // namespace velumor::view_window
