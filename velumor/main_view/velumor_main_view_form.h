#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/ref.h"
#include "platform/ui/form.h"
#include "velumor/view_window/view_window.h"

namespace velumor {

// The main parameter window: every device parameter on tabbed pages.
class VelumorMainViewForm : public ViewWindow {
 public:
  VelumorMainViewForm();

  // One tab taken out of the tab strip's row; its record's index is where it goes back.
  struct TabRecord {
    bool bParked = false;
    std::string sKey;
    std::string sCaption;
  };
  // Records 0 to the design's number of tabs; record 0 stays unused.
  std::vector<TabRecord> TabTable;

  // Takes the tab with `key` out of the row and parks it; false (nothing changes) when the
  // tab is not in the row.
  bool RemoveTab(const std::string& key);
  // Puts every parked tab back, in the order of its record.
  void AddTab();

  // The window's traits: caption text 1, the device menu without its own entry, the
  // engineering context's lock of the connection and view menus.
  static ViewWindowTraits traits();

  // The fourteen page frames in tab order.
  static const std::vector<std::string_view>& pageFrameNames();

 protected:
  void Form_Load() override;
  void Form_Resize() override;
  void MainTab_Click();

 private:
  // Start-up and shut-down (main_form_load.cpp).
  void loadMainWindow();
  void setUpPages();
  void placeProgressFrame();

  // Texts (main_form_texts.cpp).
  void loadCaption(std::string_view control, int32_t id, int32_t index = -1);
  void setLabelText(std::string_view control, int32_t index, int32_t id);
  void setLabelFlag(std::string_view control, int32_t index, bool value);
  void setFieldFlag(std::string_view control, int32_t index, bool value);
  void setContainerFlag(std::string_view control, int32_t index, bool value);
  void setMenuCaptions();
  void setTabCaptions();
  void setPageFrameCaptions();
  void setDeviceInfoTexts();
  void setSensorTexts();
  void setUnitTexts();
  void setValueTexts();
  void setCounterTexts(std::string_view prefix);
  void setDisplayTexts();
  void setAlarmTexts();
  void setTemperatureTexts();
  void setOperationTexts();
  void setCommentsTexts();
  void setOutputCfgTexts();
  void setOutputTexts(int output);
  void setPulseTexts();

  // Layout (main_form_layout.cpp).
  void runLayoutRoutine(std::string_view key);
  bool fitPage(std::string_view frame, int32_t& dW, int32_t& dH);
  void resizeCounterPage(std::string_view page, std::string_view prefix);
  void placeProgressFrameOnResize();
  void ResizeMainDeviceInfoFrame();
  void ResizeMainUnitFrame();
  void ResizeMainValueFrame();
  void ResizeMainMassCounterFrame();
  void ResizeMainVolumeCounterFrame();
  void ResizeMainDisplayFrame();
  void ResizeMainAlarmFrame();
  void ResizeMainTemparatureFrame();
  void ResizeMainOperationFrame();
  void ResizeMainCommentsFrame();
  void ResizeMainOutputCfgFrame();
  void ResizeMainOutput1Frame();
  void ResizeMainOutput2Frame();
  void ResizeMainImpulseFrame();
};

}  // namespace velumor
