// The supervision view's notification dispatch, its sequence messages and its adjust queue.
#include <string>

#include "platform/com/error.h"
#include "platform/com/text.h"
#include "platform/com/variant.h"
#include "velumor/host_binding/supervision/bit_field_utility.h"
#include "velumor/host_binding/supervision/supervision.h"
#include "velumor/host_binding/velumor_always_view.h"
#include "velumor/host_binding/velumor_always_view_form.h"
#include "velumor/shared/toolkit_load_resource.h"
#include "velumor/shared/velumor_help_functions.h"
#include "velumor/shared/windows/message_form.h"

namespace velumor::host_binding {

using platform::com::Variant;
using namespace supervision;

namespace {

constexpr char kCrLf[] = "\r\n";

// Sequence states that are reported to the user, with their texts 600 to 608.
int sequenceStateText(int32_t state) {
  switch (state) {
    case 0:
      return 600;
    case 1:
      return 601;
    case 2:
      return 602;
    case 4:
      return 603;
    case 8:
      return 604;
    case 16:
      return 605;
    case 32:
      return 606;
    case 64:
      return 607;
    case 128:
      return 608;
    default:
      return -1;
  }
}

bool inRange(int32_t tag, int32_t base) {
  return tag >= base && tag <= (base | kTagIndexMask);
}

}  // namespace

void Supervision::Dispatch(const view_window::VELUMOR_Notify_Type& record) {
  // A host call below may let go of the view's last outside reference.
  platform::com::Ptr<VelumorAlwaysView> keep(&view_);
  if (record.lUserLong != 0) {
    const int32_t tag = record.lUserLong;
    const int32_t index = tag & kTagIndexMask;
    if (inRange(tag, kRecordStateTag)) {
      // A tag the table has no such entry for is not this view's registration.
      const SupervisedObject* entry = object(index);
      if (entry && entry->lKind == kRecordKind) OnRecordState(*entry);
    } else if (inRange(tag, kSequenceStateTag)) {
      const SupervisedObject* entry = object(index);
      if ((record.lState & 4) == 0 && entry && entry->lKind == kSequenceKind)
        OnSequenceState(*entry, record.lState);
    } else if (tag == kUnitsTag) {
      if (connectionValue_ == 2.0) {
        // Reading the unit keeps the host's copy of it current; the view shows none.
        double value = 0, shadow = 0;
        int32_t status = 0;
        itemManager().GetValue(record.lAppletItemHandle, value, status);
        itemManager().GetShadowValue(record.lAppletItemHandle, shadow, status);
      }
    }
    return;
  }
  const int32_t handle = record.lAppletItemHandle;
  if (handle == fixed_.engineeringContext) {
    onEngineeringContext();
  } else if (handle == fixed_.addTransmitterState) {
    onTransmitterState();
  } else if (handle == fixed_.adjust) {
    onAdjust();
  } else if (handle == fixed_.address) {
    onAddress();
  } else if (handle == fixed_.tagName) {
    onTagName(record.lState);
  } else if (handle == fixed_.descriptor) {
    onDescriptor();
  } else if (handle == fixed_.connect) {
    onConnect();
  }
}

void Supervision::onEngineeringContext() {
  double value = 0;
  int32_t status = 0;
  itemManager().GetValue(fixed_.engineeringContext, value, status);
  // A flag word: values above the Long range stand for their signed counterpart.
  if (value > 2147483647.0) value -= 4294967296.0;
  contextValue_ = platform::com::cLng(value);
  const int32_t described = shared::GetEngineeringContext(view_.binding().deviceDescription());
  if (shared::HasStateBits(contextValue_) && contextValue_ != described && !contextLatch_) {
    contextLatch_ = true;
    if (contextValue_ == 2) {
      SetMenuStatesDisconnected();
      writeMenuState(kMenuConnect, kMenuShownDisabled);
      writeMenuState(kMenuDiagView, kMenuShownDisabled);
      writeMenuState(kMenuSimulationView, kMenuShownDisabled);
    }
  }
}

void Supervision::onTransmitterState() {
  platform::com::ByteArray bytes;
  int32_t status = 0;
  itemManager().GetArrayValue(fixed_.response048, bytes, false, status);
  // The count of additional status octets stands in the last four octets of the response.
  // Only the value counts: what the host's utility makes of a response too short for the
  // field is its own affair, and 0 writes nothing.
  const int32_t offset = (bytes.upperBound() - bytes.lowerBound - 3) * 8;
  int32_t count = 0;
  int32_t bitStatus = 0;
  sharedAppletUtility().GetBitField(count, 32, true, bytes, offset, bitStatus);
  if (count == 5) {
    itemManager().SetValue(fixed_.hartRevision, 0.0, status);
  } else if (count >= 18) {
    itemManager().SetValue(fixed_.hartRevision, 1.0, status);
  }
}

void Supervision::onAdjust() {
  bool requested = false;
  int32_t status = 0;
  itemManager().GetBoolValue(fixed_.adjust, requested, status);
  if (requested) {
    itemManager().SetBoolValue(fixed_.adjust, false, status);
    RefreshDeviceObjects();
  }
}

void Supervision::onAddress() {
  std::string text;
  int32_t status = 0;
  itemManager().GetString(fixed_.address, text, false, status);
  // Trimmed first, then cut: blanks before a NUL stay part of the address.
  address_ = shared::StripAtNul(std::string(platform::com::trim(text, " ")));
  setCaption();
  if (const auto number = platform::com::parseNumber(address_)) {
    itemManager().SetValue(fixed_.instrumentAddress, *number, status);
  }
}

void Supervision::onTagName(int32_t lState) {
  if ((lState & 4) != 0) return;
  std::string text;
  int32_t status = 0;
  itemManager().GetString(fixed_.tagName, text, false, status);
  // Trimmed first, then cut, as for the address.
  tagName_ = shared::StripAtNul(std::string(platform::com::trim(text, " ")));
  if (tagName_.empty()) return;
  std::string padded = tagName_;
  if (platform::com::codePointCount(padded) < 8)
    padded.append(8 - platform::com::codePointCount(padded), ' ');
  itemManager().SetArrayValue(fixed_.tag, shared::PackAscii(padded), status);
}

void Supervision::onDescriptor() {
  std::string text;
  int32_t status = 0;
  itemManager().GetValueText(fixed_.descriptor, text, false, status);
  descriptor_ = std::string(platform::com::trim(text, " "));
  setCaption();
}

void Supervision::setCaption() {
  form().setCaption(shared::LoadResStringByLang(0) + "[" + address_ + "] " + deviceText_ + ": " +
                    descriptor_);
}

void Supervision::onConnect() {
  double value = 0;
  int32_t status = 0;
  itemManager().GetValue(fixed_.connect, value, status);
  connectionValue_ = value;
  if (contextLatch_ && contextValue_ == 2) return;  // the engineering context keeps them locked
  if (status != 0) return;
  if (value == 2.0) {
    SetMenuStatesConnected();
  } else {
    SetMenuStatesDisconnected();
  }
}

void Supervision::OnSequenceState(const SupervisedObject& entry, int32_t lState) {
  tolvar::AppletItemManager& im = itemManager();
  double value = 0;
  int32_t status = 0;
  im.GetValue(entry.lStateHandle, value, status);
  im.SetString(fixed_.sequenceName, entry.sName, status);
  im.SetValue(fixed_.sequenceState, value, status);
  const int32_t state = platform::com::cLng(value);
  const int textId = sequenceStateText(state);
  if (textId < 0) return;
  ShowMessage(entry.sName + kCrLf + shared::LoadResStringByLang(static_cast<int16_t>(textId)), lState);
  if (state == 0) {
    // What the sequence wrote or read may have changed values the device derives from them.
    if (adjustAfterRead_) {
      adjustAfterRead_ = false;
      QueueSeqAdjust(entry.sName);
    }
    if (adjustAfterWrite_) {
      adjustAfterWrite_ = false;
      QueueSeqAdjust(entry.sName);
    }
    return;
  }
  if (state == 32) adjustAfterWrite_ = true;
  if (state == 64) adjustAfterRead_ = true;
  im.SetValue(entry.lControlHandle, 1.0, status);
}

void Supervision::ShowMessage(const std::string& sText, int32_t lState) {
  if ((lState & 8) != 0 || (lState & 4) != 0) return;
  try {
    shared::windows::showMessageWindow(deviceText_, sText);
  } catch (const std::exception&) {
    // A status message that cannot be shown is lost; the sequence goes on.
  }
}

void Supervision::QueueSeqAdjust(const std::string& sName) {
  platform::ui::TimerControl& timer = form().timer("SeqAdjustTimer");
  timer.setProperty("Tag", Variant(timer.getProperty("Tag").toString() + sName + kCrLf));
  timer.setProperty("Interval", Variant(int32_t{50}));
  timer.setProperty("Enabled", Variant(false));
  timer.setProperty("Enabled", Variant(true));
}

void Supervision::RunSeqAdjustQueue() {
  platform::ui::TimerControl& timer = form().timer("SeqAdjustTimer");
  const std::string queue = timer.getProperty("Tag").toString();
  if (queue.empty()) {
    timer.setProperty("Enabled", Variant(false));
    return;
  }
  const size_t end = queue.find(kCrLf);
  const std::string name = queue.substr(0, end);
  const std::string rest = end == std::string::npos ? std::string() : queue.substr(end + 2);

  platform::com::Ptr<tolvar::HostFrame> frame;
  int32_t status = 0;
  itemManager().GetFrame(frame, status);
  if (!frame) return;  // tried again on the next tick

  int32_t result = 0;
  try {
    frame->AdjustSequence(name, result, status);
  } catch (...) {
    // A failed call is an answer too: the request must not be retried for ever.
    timer.setProperty("Tag", Variant(rest));
    throw;
  }
  if (result == tolvar::kHostBusy) return;
  // Dropped before the re-read, so that a failing re-read does not repeat the adjust.
  timer.setProperty("Tag", Variant(rest));
  if (result == tolvar::kHostAdjustFinished) RefreshDeviceObjects();
}

}  // namespace velumor::host_binding
