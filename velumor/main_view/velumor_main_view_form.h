#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/ref.h"
#include "platform/com/variant.h"
#include "platform/ui/form.h"
#include "velumor/view_window/test_access.h"
#include "velumor/view_window/view_window.h"

namespace velumor::main_view {

// The main parameter window: every device parameter on tabbed pages.
class VelumorMainViewForm : public view_window::ViewWindow {
 public:
  VelumorMainViewForm();

  // One tab taken out of the tab strip's row; its record's index is where it goes back.
  struct TabRecord {
    bool bParked = false;
    std::string sKey;
    std::string sCaption;
  };

  // Takes the tab with `key` out of the row and parks it; false (nothing changes) when the
  // tab is not in the row.
  bool RemoveTab(const std::string& key);
  // Puts every parked tab back, in the order of its record.
  void AddTab();

  // The window's traits: caption text 1, the device menu without its own entry, the
  // engineering context's lock of the connection and view menus.
  static view_window::ViewWindowTraits traits();

  // The fourteen page frames in tab order.
  static const std::vector<std::string_view>& pageFrameNames();

  // One row of the binding table: which host control shows which device variable.
  enum class HostControlKind { Text, Combo, LabelTextUnit };
  struct BindingRow {
    std::string_view control;
    int32_t index;  // -1 for a single control
    HostControlKind kind;
    std::string_view item;      // the value item; empty: the control stays unbound
    std::string_view unitItem;  // label-text-unit controls only
    int16_t mode;               // 0 editable, 3 display only, -1 an enumerated selection
  };
  static const std::vector<BindingRow>& bindingTable();

  // One line of the notes page.
  struct CommentLineRecord {
    int32_t ItemHandle = 0;
    std::string Text;
  };
  static constexpr int kCommentLines = 15;
  static constexpr size_t kCommentLineLength = 80;
  // A status item of the device variant in use, as the variant handling registers it.
  struct StatusItem {
    std::string name;
    int32_t handle = 0;
  };

  // Registration (main_form_registration.cpp).
  void RegisterItems();

  // Notes page.
  void ShowComments();
  void CommentsText_Change();

  // Connection-dependent menus and tabs.
  void EnterOnlineState();
  void EnterOfflineState();

  // Commands (main_form_commands.cpp).
  void TotalizerReset(bool volume, int32_t index);
  void DevDataLabel_DblClick(int32_t index);

  // Output configuration and status (main_form_outputs.cpp).
  void ApplyDeviceVariant(const view_window::VELUMOR_Notify_Type& record);
  void ReadStatusOctets(const view_window::VELUMOR_Notify_Type& record);
  void CheckOutputChoice(const view_window::VELUMOR_Notify_Type& record);
  void ReadPulseUnits(const view_window::VELUMOR_Notify_Type& record);
  void UpdateDiagLED();
  void UpdatePulseDisplay();
  void DiagLEDTimer_Timer();

  // Parameter report and printing (main_form_report.cpp).
  std::string BuildParameterReport();
  void MenuPrint_Click();
  void MenuPrinterSetup_Click();

 protected:
  void Form_Load() override;
  void Form_Resize() override;
  void Register() override;
  void Dispatch(const view_window::VELUMOR_Notify_Type& record) override;
  void OnConnectionState(int32_t state) override;
  void OnEngineeringContextLocked() override { EnterOfflineState(); }
  void MainTab_Click();

 private:
  // Dispatch branches of the main window's own items (main_form_dispatch.cpp).
  void ApplyCommentLine(const view_window::VELUMOR_Notify_Type& record);
  void ShowTotalizerUnit(int k);
  void ShowTotalizerTrend(int k);
  void bindHostControls();
  void wireCommands();
  void wireOutputsAndReport();  // main_form_outputs.cpp
  int16_t diagLampState();
  void setDiagLampState(int16_t state);

  // Start-up and shut-down (main_form_load.cpp).
  void loadMainWindow();
  void setUpPages();
  // The page frame over the tab strip's client area, and each page's inner frames.
  platform::ui::Control& placePage(std::string_view frame, bool borderless);
  void setUpDeviceInfoPage();
  void setUpValuePage();
  void setUpCounterPage(std::string_view prefix);
  void setUpDisplayPage();
  void setUpTemperaturePage();
  void setUpCommentsPage();
  void setUpOutputPage(int output);

  // Texts (main_form_texts.cpp).
  void loadCaption(std::string_view control, int32_t id, int32_t index = -1);
  void setLabelText(std::string_view control, int32_t index, int32_t id);
  void setLabelFlag(std::string_view control, int32_t index, bool value);
  void setFieldFlag(std::string_view control, int32_t index, bool value);
  void setContainerFlag(std::string_view control, int32_t index, bool value);
  static std::span<const view_window::MenuText> mainMenuTexts();  // the design's menus and their captions
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

  // Tests read what the user cannot see through the test accessor (test_access.h).
  template <class>
  friend struct view_window::TestAccess;

  // Records 0 to the design's number of tabs; record 0 stays unused.
  std::vector<TabRecord> TabTable;
  CommentLineRecord CommentLine[kCommentLines];

  // Item handles, 0 until the registration tick (a handle of 0 never matches a notification),
  // beside the kit's connection and data-set transfer handles.
  int32_t HartRevisionHandle = 0;
  int32_t FileNameHandle = 0;
  // Totalizers: mass forward, mass reverse, volume forward, volume reverse.
  int32_t TotalizerUnitHandle[4] = {};
  int32_t TotalizerUnitEnum[4] = {};
  int32_t TotalizerValueHandle[4] = {};
  float TotalizerLast[4] = {};
  float TotalizerTrend[4] = {};
  // Output choices: current output 1, current output 2, display second line, pulse output
  // mode; each registered twice (flag False, then flag True with its enumeration).
  int32_t OutputChoiceHandle[4] = {};
  int32_t OutputChoiceHandle2[4] = {};
  int32_t OutputChoiceEnum[4] = {};
  // "PULSE_FACTOR_QM_UNIT", "PULSE_FACTOR_QV_UNIT".
  int32_t PulseUnitHandle[2] = {};
  int32_t PulseUnitEnum[2] = {};
  // The status items of the device variant in use, in registration order.
  std::vector<StatusItem> StatusItems;
  std::vector<int32_t> SequenceProgressHandles;
  bool CommentsUpdating = false;

  // Last choices from the output-choice notifications; last pulse factor units.
  int32_t OutputChoice1 = 0;
  int32_t OutputChoice2 = 0;
  int32_t PulseMode = 0;
  int32_t DisplayLine2Choice = 0;
  int32_t PulseUnitMass = 0;
  int32_t PulseUnitVolume = 0;
  // Last "HartRevision"; the variant whose status items and octet bounds are in use (-1
  // before the first), which a variant the window does not know leaves as it is.
  uint8_t DeviceVariant = 0;
  int32_t StatusLayout = -1;
  platform::com::ByteArray ErrorOctets, StateOctets, WarningOctets;
};

}  // namespace velumor::main_view
