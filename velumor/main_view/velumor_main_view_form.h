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

  // Item handles the save question at unload reads; 0 until the registration tick.
  int32_t DirtyHandle = 0;
  int32_t SaveToDataBaseOnExitHandle = 0;
  // The device description's long text: title of the window's message boxes.
  std::string DevDescLong;
  // The component's help file (its folder and the help file of the user's language).
  std::string HelpFile;
  // Windows the Help menu opened; they close with this window.
  plat::com::Ptr<plat::ui::Form> AboutWindow;
  plat::com::Ptr<plat::ui::Form> SoftServiceWindow;
  plat::com::Ptr<plat::ui::Form> ReadMeWindow;

  // Size rules, in whole twips: the smallest outer size, and the outer size at the last
  // resize that was not made while minimised.
  int32_t minWidth = 0;
  int32_t minHeight = 0;
  int32_t rememberedWidth = 0;
  int32_t rememberedHeight = 0;
  // False while the load places the controls: resizes then lay out no page.
  bool layoutLoaded = false;

  // The fourteen page frames in tab order.
  static const std::vector<std::string_view>& pageFrameNames();

 protected:
  void Form_Load() override;
  void Form_Unload(int16_t& Cancel) override;
  void Form_Resize() override;
  void MainTab_Click();

 private:
  // Start-up and shut-down (main_form_load.cpp).
  void loadMainWindow();
  void unloadMainWindow();
  void setUpPages();
  void placeProgressFrame();
  void probeHostFrame();
  bool hostFrameOffers(std::string_view operation);
  void askSaveOnExit();

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
