// The main window's notification dispatch: by tag range first, then by the handles the
// window kept, in a fixed order; the notes page; the online and offline tab sets.
#include <algorithm>
#include <cmath>
#include <string>

#include "platform/com/text.h"
#include "platform/com/variant.h"
#include "velumor/main_view/velumor_main_view_form.h"
#include "velumor/shared/component.h"
#include "velumor/shared/velumor_help_functions.h"

namespace velumor::main_view {

namespace {

constexpr int32_t kMenuStateTags = 0x10000000;
constexpr int32_t kSequenceProgressTags = 0x0A000000;
constexpr int32_t kCommentTags = 0x12000000;
constexpr int32_t kTagRange = 0x00FFFFFF;

bool inRange(int32_t tag, int32_t base) {
  return tag >= base && tag <= base + kTagRange;
}

// A kept handle of 0 (never registered, or refused) matches nothing.
bool matches(int32_t kept, int32_t handle) {
  return kept != 0 && kept == handle;
}

// Status items the dispatch leaves alone.
bool droppedStatusItem(const std::string& name) {
  return name == "A10_ADD_TRANSMITTER_STATE_STATE" || name == "A10_OPERATING_MODE" ||
         name == "A10_ANALOG_OUTPUT_SATURATED" || name == "A10_ANALOG_OUTPUT_FIXED";
}

int sign(double v) {
  return v > 0 ? 1 : v < 0 ? -1 : 0;
}

// The text box counts characters; the texts are UTF-8.
size_t bytesOfChars(const std::string& s, int64_t chars) {
  return platform::com::bytesOfCodePoints(s, static_cast<size_t>(std::max<int64_t>(0, chars)));
}
int64_t charsOfBytes(const std::string& s, size_t bytes) {
  return static_cast<int64_t>(platform::com::codePointCount(std::string_view(s).substr(0, bytes)));
}

}  // namespace

void VelumorMainViewForm::Dispatch(const view_window::VELUMOR_Notify_Type& r) {
  const int32_t tag = r.lUserLong;
  if (tag != 0) {
    if (inRange(tag, kMenuStateTags))
      ApplyMenuState(r.lAppletItemHandle, tag);
    else if (inRange(tag, kSequenceProgressTags))
      ShowProgress("SequenceProgress", r.lAppletItemHandle);
    else if (inRange(tag, kCommentTags))
      ApplyCommentLine(r);
    return;
  }
  const int32_t h = r.lAppletItemHandle;
  if (h == 0) return;
  if (matches(EngineeringContextHandle(), h)) return ApplyEngineeringContext(h);
  if (matches(HartRevisionHandle, h)) return ApplyDeviceVariant(r);
  if (matches(AddressHandle(), h)) return UpdateCaptionAddress(h);
  if (matches(DescriptorHandle(), h)) return UpdateCaptionDescriptor(h);
  if (matches(ConnectHandle(), h)) return ShowConnectionState(h);
  if (matches(CurrentSourceHandle(), h)) return ShowDataSource(h);
  if (matches(UserLevelHandle(), h)) return ShowUserLevel(h);
  if (matches(FileNameHandle, h)) return ShowFileName(h);
  for (const StatusItem& item : StatusItems)
    if (matches(item.handle, h)) {
      if (!droppedStatusItem(item.name)) ReadStatusOctets(r);
      return;
    }
  if (matches(UploadProgressHandle(), h)) return ShowProgress("upload", h);
  if (matches(DownloadProgressHandle(), h) || matches(FullDownloadProgressHandle(), h))
    return ShowProgress("download", h);
  for (int k = 0; k < 4; ++k)
    if (matches(TotalizerUnitHandle[k], h)) return ShowTotalizerUnit(k);
  for (int k = 0; k < 4; ++k)
    if (matches(OutputChoiceHandle[k], h) || matches(OutputChoiceHandle2[k], h)) return CheckOutputChoice(r);
  for (int k = 0; k < 2; ++k)
    if (matches(PulseUnitHandle[k], h)) return ReadPulseUnits(r);
  for (int k = 0; k < 4; ++k)
    if (matches(TotalizerValueHandle[k], h)) return ShowTotalizerTrend(k);
  // "ADJUST", "UploadQuestion", "SaveToDataBaseOnExit", "&&private&&Dirty" and unknown
  // handles: nothing reads them here.
}

// ------------------------------------------------------------------ connection

void VelumorMainViewForm::OnConnectionState(int32_t state) {
  if (contextLocksConnection()) return;
  if (state == 0 || state == 1 || state == 3)
    EnterOfflineState();
  else if (state == 2)
    EnterOnlineState();
}

void VelumorMainViewForm::EnterOnlineState() {
  for (const char* m : {"MenuSetAddress", "MenuLoadDev", "MenuSaveDev"}) ctl(m).setEnabled(true);
  for (const char* array : {"MassCounterFlowCommand", "VolumeCounterFlowCommand"})
    for (platform::ui::Control* c : controlArray(array)) c->setEnabled(true);
  for (float& t : TotalizerTrend) t = -1;
  AddTab();
  for (const char* key : {"MainSensorKey", "MainAlarmKey", "MainTemparatureKey"}) RemoveTab(key);
}

void VelumorMainViewForm::EnterOfflineState() {
  for (const char* m : {"MenuSetAddress", "MenuLoadDev", "MenuSaveDev"}) ctl(m).setEnabled(false);
  for (const char* array : {"MassCounterFlowCommand", "VolumeCounterFlowCommand"})
    for (platform::ui::Control* c : controlArray(array)) c->setEnabled(false);
  for (const char* key :
       {"MainSensorKey", "MainUnitsKey", "MainValuesKey", "MainMassCounterKey", "MainVolumeCounterKey",
        "MainDisplayKey", "MainAlarmKey", "MainTemparatureKey", "MainOperationKey", "MainOutputCfgKey",
        "MainOutput1Key", "MainOutput2Key", "MainImpulseKey", "MainCommentsKey"})
    RemoveTab(key);
}

// ------------------------------------------------------------------ totalizers

void VelumorMainViewForm::ShowTotalizerUnit(int k) {
  double d = 0;
  int32_t status = 0;
  binding()
      .requireItemManager(name(), "ShowTotalizerUnit")
      .GetValueEx(TotalizerUnitHandle[k], d, true, status);
  const std::optional<int32_t> v = view_window::roundToLong(d);
  if (!v) return;
  const std::string text = shared::GetEnumText(binding().deviceDescription(), TotalizerUnitEnum[k], *v);
  ctl(k < 2 ? "MassCounterUnitLabel" : "VolumeCounterUnitLabel", k % 2).setCaption(text);
}

void VelumorMainViewForm::ShowTotalizerTrend(int k) {
  float v = 0;
  int32_t status = 0;
  binding()
      .requireItemManager(name(), "ShowTotalizerTrend")
      .GetSingleValue(TotalizerValueHandle[k], v, true, status);
  if (!std::isfinite(v)) return;
  const double change = static_cast<double>(v) - TotalizerLast[k];
  if (sign(change) != sign(TotalizerTrend[k])) {
    const bool forward = k % 2 == 0;
    const int32_t id = v > TotalizerLast[k] ? (forward ? 221 : 222) : (forward ? 211 : 212);
    // A picture the component lacks leaves the image empty rather than failing.
    const bool known = !shared::loadBitmap(id).empty();
    ctl(k < 2 ? "MassCounterFlowImage" : "VolumeCounterFlowImage", k % 2)
        .setProperty("Picture",
                     platform::com::Variant(known ? "bitmap:" + std::to_string(id) : std::string()));
  }
  TotalizerLast[k] = v;
  TotalizerTrend[k] = static_cast<float>(change);
}

// ------------------------------------------------------------------ notes

void VelumorMainViewForm::ApplyCommentLine(const view_window::VELUMOR_Notify_Type& r) {
  const int32_t n = r.lUserLong - kCommentTags;
  if (n < 1 || n > kCommentLines) return;
  std::string s;
  int32_t status = 0;
  binding().requireItemManager(name(), "ApplyCommentLine").GetStringNoFlag(r.lAppletItemHandle, s, status);
  s = shared::StripAtNul(s);
  if (s == CommentLine[n - 1].Text) return;
  CommentLine[n - 1].Text = s;
  ShowComments();
}

void VelumorMainViewForm::ShowComments() {
  if (CommentsUpdating) return;
  CommentsUpdating = true;
  std::string text;
  for (const CommentLineRecord& line : CommentLine) text += line.Text + "\r\n";
  platform::ui::Control& box = ctl("CommentsText");
  // The caret keeps its line: moved back to the start of its line, inside the new text.
  int64_t pos =
      static_cast<int64_t>(bytesOfChars(text, std::max<int64_t>(0, box.getProperty("SelStart").toLong())));
  if (pos >= 1 && pos < static_cast<int64_t>(text.size())) {
    while (pos > 0) {
      const unsigned char c = static_cast<unsigned char>(text[static_cast<size_t>(pos - 1)]);
      if (c >= 32) break;
      if (c == '\r' && text[static_cast<size_t>(pos)] == '\n') {
        ++pos;
        break;
      }
      --pos;
    }
  }
  box.setText(text);
  box.setProperty("SelStart", static_cast<int32_t>(charsOfBytes(text, static_cast<size_t>(pos))));
  CommentsUpdating = false;
}

void VelumorMainViewForm::CommentsText_Change() {
  if (CommentsUpdating) return;
  CommentsUpdating = true;
  const std::string text = ctl("CommentsText").text();
  tolvar::AppletItemManager* im = binding().itemManager();
  size_t start = 0;
  for (int n = 0; n < kCommentLines; ++n) {
    size_t p = text.find("\r\n", start);
    if (p == std::string::npos) p = start < text.size() ? text.size() : start;
    std::string line = p > start ? text.substr(start, p - start) : std::string();
    // Cut after 80 characters, never inside one.
    line.resize(bytesOfChars(line, static_cast<int64_t>(kCommentLineLength)));
    if (line != CommentLine[n].Text) {
      CommentLine[n].Text = line;
      if (im && CommentLine[n].ItemHandle != 0) {
        int32_t status = 0;
        im->SetString(CommentLine[n].ItemHandle, line, status);
      }
    }
    start = p + 2;
  }
  CommentsUpdating = false;
  ShowComments();
}

}  // namespace velumor::main_view
