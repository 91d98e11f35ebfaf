#pragma once
// The working half of the supervision view: it registers every record and sequence of the
// device description, the host's menu states and the unit items, works off the view's
// notifications, keeps the menu states in line with the connection, mirrors the address and
// the tag name into the device items, reports sequence states, runs the adjust queue and asks
// the user what to do when the device answers a request with a response code.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/com/ref.h"
#include "platform/com/variant.h"
#include "tolvar/applet/applet.h"
#include "velumor/view_window/notify_type.h"

namespace velumor::host_binding {

class VelumorAlwaysView;
class VelumorAlwaysViewForm;

// One registered record or sequence.
struct SupervisedObject {
  int32_t lStateHandle = 0;
  std::string sName;
  int32_t lKind = 0;
  int32_t lControlHandle = 0;
  int32_t lResponseHandle = 0;  // records only
};

namespace supervision {

// Registration tags (lUserLong); the low 24 bits index the object table.
inline constexpr int32_t kRecordStateTag = 0x1000000;
inline constexpr int32_t kRecordResponseTag = 0x2000000;
inline constexpr int32_t kRecordResponseControlTag = 0x3000000;
inline constexpr int32_t kSequenceStateTag = 0x8000000;
inline constexpr int32_t kSequenceControlTag = 0x9000000;
inline constexpr int32_t kMenuStateTag = 0x10000000;
inline constexpr int32_t kUnitsTag = 0x11000000;
inline constexpr int32_t kTagIndexMask = 0xFFFFFF;

inline constexpr int32_t kRecordKind = kRecordStateTag;
inline constexpr int32_t kSequenceKind = kSequenceStateTag;

// Menu-state slots of the host's own menu.
inline constexpr int kMenuConnect = 0;
inline constexpr int kMenuDisconnect = 1;
inline constexpr int kMenuSetSlaveAddr = 2;
inline constexpr int kMenuLoadFromDevice = 3;
inline constexpr int kMenuSaveToDevice = 4;
inline constexpr int kMenuOpenFromDatabase = 5;
inline constexpr int kMenuSaveAsToDatabase = 8;
inline constexpr int kMenuGenericView = 9;
inline constexpr int kMenuDiagView = 11;
inline constexpr int kMenuSimulationView = 12;
inline constexpr int kMenuStateCount = 13;
inline constexpr int kMenuStateSlots = 21;

// 1.0: visible but disabled; 3.0: visible and enabled.
inline constexpr double kMenuShownDisabled = 1.0;
inline constexpr double kMenuShownEnabled = 3.0;

// Values of a record's response-control item.
inline constexpr double kControlRepeat = 1.0;
inline constexpr double kControlContinue = 2.0;
inline constexpr double kControlFail = 4.0;

// A record's state: response received for a read (16 to 18) or a write (32, 33).
inline constexpr int32_t kReadResponseState = 16;
inline constexpr int32_t kWriteResponseState = 32;

// The log keeps this many prompts, newest first.
inline constexpr int32_t kLogLines = 100;

// Item names of the host's menu, in slot order.
extern const std::array<const char*, kMenuStateCount> kMenuStateItems;

// The record the supervision view never registers (its answer is a plain text).
inline constexpr char kExcludedRecord[] = "HART_COMMAND_230_READ";

}  // namespace supervision

class Supervision {
 public:
  explicit Supervision(VelumorAlwaysView& view) : view_(view) {}
  Supervision(const Supervision&) = delete;
  Supervision& operator=(const Supervision&) = delete;

  // --- registration (the form's one-shot RegisterTimer)
  void RegisterItems();
  void RegisterRecords();
  void RegisterSequences();
  // Re-reads every device object the description flags for it (after an adjust).
  void RefreshDeviceObjects();

  // --- notifications, one per NotifyTimer tick
  void Dispatch(const view_window::VELUMOR_Notify_Type& record);
  void SetMenuStatesConnected();
  void SetMenuStatesDisconnected();
  void OnSequenceState(const SupervisedObject& entry, int32_t lState);
  void ShowMessage(const std::string& sText, int32_t lState);

  // --- adjust queue (SeqAdjustTimer)
  void QueueSeqAdjust(const std::string& sName);
  void RunSeqAdjustQueue();

  // --- record states and the communication-error prompt
  void OnRecordState(SupervisedObject entry);
  void AnswerRepeat();
  void AnswerIgnore();
  void AnswerError();
  // After an answer: the newest prompt that waited for it is asked now.
  void ShowNextPrompt();
  // The view goes: waiting prompts are dropped, the one on screen is closed unanswered.
  void EndPrompts();

  // --- state, for the window and for inspection
  int32_t objectCount() const { return objectCount_; }
  // Entry `index` of the object table (1 to objectCount()); null outside.
  const SupervisedObject* object(int32_t index) const;
  bool promptPending() const { return promptPending_; }
  size_t waitingPrompts() const { return waitingPrompts_.size(); }
  bool contextLatched() const { return contextLatch_; }
  int32_t menuStateHandle(int slot) const { return menuHandles_.at(static_cast<size_t>(slot)); }
  const std::string& deviceText() const { return deviceText_; }

 private:
  // A prompt that waits while another is on screen.
  struct WaitingPrompt {
    SupervisedObject entry;
    int32_t state = 0;
    bool haveCode = false;
    int32_t code = 0;
  };

  struct FixedHandles {
    int32_t engineeringContext = 0;
    int32_t hartRevision = 0;
    int32_t addTransmitterState = 0;
    int32_t response048 = 0;
    int32_t adjust = 0;
    int32_t lastCommandResponseSummary = 0;
    int32_t lastFieldDeviceStatus = 0;
    int32_t address = 0;
    int32_t tagName = 0;
    int32_t instrumentAddress = 0;
    int32_t descriptor = 0;
    int32_t connect = 0;
    int32_t tag = 0;
    int32_t userLevel = 0;
    int32_t recordName = 0;
    int32_t recordState = 0;
    int32_t sequenceName = 0;
    int32_t sequenceState = 0;
  };

  tolvar::AppletItemManager& itemManager() const;
  tolvar::DeviceDescription& deviceDescription() const;
  VelumorAlwaysViewForm& form() const;
  // The view still works: not destroyed, its window loaded. Checked after every wait.
  bool alive() const;

  int32_t registerItem(const std::string& name, int32_t tag, int32_t* statusOut = nullptr);
  void unadvise(int32_t handle);
  // Names of `kind` in the order they are registered; false when the description refused.
  bool enumerateNames(const std::string& kind, std::vector<std::string>& names);
  // The entry of a new object `name` of `kind` at the next index (objectCount_ afterwards);
  // null once the index would not fit in a tag.
  SupervisedObject* addObject(const std::string& name, int32_t kind);
  void probeFrameOperation(const char* operation, int slot);
  void writeMenuState(int slot, double value);

  void onEngineeringContext();
  void onTransmitterState();
  void onAdjust();
  void onAddress();
  void onTagName(int32_t lState);
  void onDescriptor();
  void onConnect();
  void setCaption();
  // The record's response bytes; false when they could not be read.
  bool readResponse(const SupervisedObject& entry, platform::com::ByteArray& bytes);
  void answer(double value);
  void askUser(const SupervisedObject& entry, int32_t state, bool haveCode, int32_t code);
  void showPrompt(const WaitingPrompt& prompt);

  VelumorAlwaysView& view_;
  int32_t objectCount_ = 0;
  std::vector<SupervisedObject> objects_ = std::vector<SupervisedObject>(1);  // index 0 unused
  FixedHandles fixed_;
  std::array<int32_t, supervision::kMenuStateSlots> menuHandles_{};
  std::array<bool, supervision::kMenuStateSlots> menuRegistered_{};
  int32_t menuCount_ = 0;
  bool contextLatch_ = false;
  int32_t contextValue_ = 0;
  double connectionValue_ = 0;
  bool adjustAfterWrite_ = false;
  bool adjustAfterRead_ = false;
  std::string deviceText_;
  std::string address_;
  std::string tagName_;
  std::string descriptor_;
  SupervisedObject promptRecord_;
  bool promptPending_ = false;
  std::vector<WaitingPrompt> waitingPrompts_;  // the newest last
};

}  // namespace velumor::host_binding
