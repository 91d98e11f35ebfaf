#pragma once
#include <cstdint>
#include <vector>

#include "velumor/view_window/test_access.h"
#include "velumor/view_window/view_window.h"

namespace velumor::output_views {

// The output simulation window: puts the device's primary current output into
// fixed-current mode and back, and shows whether the device reports it fixed.
class VelumorSimulationForm : public view_window::ViewWindow {
 public:
  VelumorSimulationForm();

  // The window's traits: caption text 4, the device menu without its own entry, user level
  // and data source in the status bar only.
  static view_window::ViewWindowTraits traits();

  static constexpr const char* kFixedCurrentSequence = "SeqHART_COMMAND_040_Write";
  static constexpr uint8_t kLoopCurrentFixed = 0x08;

  // Queues the fixed-current command (HART command 40) when connected; nothing otherwise.
  void QueueFixedCurrentCommand();
  // The branch for a change of "LastFieldDeviceStatus": the lamp, the one-time option
  // synchronisation and the close guard follow the device's loop-current-fixed flag.
  void ShowSimulationState(const view_window::VELUMOR_Notify_Type& record);

 protected:
  void Form_Load() override;
  void Form_Resize() override;
  void Form_QueryUnload(int16_t& Cancel, int16_t UnloadMode) override;
  void Register() override;
  void Dispatch(const view_window::VELUMOR_Notify_Type& record) override;
  void OnConnectionState(int32_t state) override;

  void OperationModeOption_Click(int32_t Index);
  void AdjustCommand_Click();

 private:
  template <class>
  friend struct view_window::TestAccess;

  void setLoadTexts();
  // The registration tick up to the upload question, under the hourglass.
  void registerItemsAndMenu();
  void writeFixedCurrent(float value);
  bool loopCurrentFixed() const { return (FieldDeviceStatusByte & kLoopCurrentFixed) != 0; }

  // Item handles kept by the registration tick; 0 for an item the host does not have, and a
  // handle of 0 never matches a notification. (The user level, data source, dirty flag and
  // save-on-exit, connection and data-set transfer handles are kept by the kit.)
  int32_t ConnectEnumHandle = 0;
  int32_t LastFieldDeviceStatusHandle = 0;
  int32_t FixedCurrentHandle = 0;
  std::vector<int32_t> SequenceProgressHandles;

  // The field device status byte that last changed the lamp; 0 until the device reports.
  uint8_t FieldDeviceStatusByte = 0;
  // The mode options follow the device's first report only; after that the user's choice.
  bool OptionSynchronised = false;

  // Set while the first status report selects an option: a refused text then stays silent.
  bool synchronising_ = false;
  // Set while the close question is open: a second close is refused, not stacked.
  bool closeQuestionOpen_ = false;
};

}  // namespace velumor::output_views
