#pragma once
// What the host's frame does for a session: connecting, the device's address, the sequences
// the views start, the data sets in the database, the views and device-menu functions opened
// through the frame. SimHostFrame (GetFrame's object) and a script's "frame" line both end here.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tolvar/applet/result.h"

namespace platform::ui {
class Form;
}

namespace tolvar::dd {
struct DeviceData;
}

namespace tolvar::sim {

class HostSession;
struct HostOptions;
class ItemStore;
class HostScheduler;
class Rq4400Simulator;
class SequenceEngine;
class DataSetDatabase;

// The highest polling address and the longest tag the device is reached by.
inline constexpr int kMaxPollingAddress = 63;
inline constexpr int kMaxTagLength = 8;
// What "Set address / name" takes: a polling address 0 to kMaxPollingAddress, or a tag of 1 to
// kMaxTagLength characters of the device's six-bit set (letters folded to upper case).
// Blanks around it go; InvalidArgument names the limits.
Result<std::string> checkedAddress(const std::string& text);

class FrameOperations {
 public:
  // The session's parts must outlive this object; the session owns it.
  explicit FrameOperations(HostSession& session);
  FrameOperations(const FrameOperations&) = delete;
  FrameOperations& operator=(const FrameOperations&) = delete;

  // --- frame operations (each returns the status the frame hands back, 0 = done)
  int32_t connect();
  int32_t disconnect();
  int32_t setAddress();
  int32_t loadFromDevice();
  int32_t loadFromDatabase();
  int32_t saveToDatabase();
  int32_t openFromDatabase();
  int32_t saveAsToDatabase();
  // The data set to open or save as: the chooser's answer, or the current set without one.
  int32_t chooseDataSet(bool forSaving, std::string& name);
  int32_t startSequence(const std::string& name, int32_t& result);
  int32_t adjustSequence(const std::string& name, int32_t& result);
  // Opens the view, or brings the window of an open view of that class to the front.
  int32_t openViewFromFrame(const std::string& progId);
  // A device-menu function called by name with its parameter ("fncStartForm", "SaveToDevice").
  int32_t menuFunction(const std::string& function, const std::string& parameter);
  // The device-menu functions the frame answers by name.
  std::vector<std::string> menuFunctions() const;
  // A frame operation by name with text arguments, as a script's "frame" line calls it;
  // `result` is the sequence result of StartSequence/AdjustSequence, else the status.
  // A failure names the operation and the run-time error the frame raised: NotFound for an
  // operation the frame does not have, InvalidArgument for arguments it does not take.
  Result<std::string> call(const std::string& operation, const std::vector<std::string>& args);

  std::string currentDataSet() const { return currentDataSet_; }

  // --- hooks of an interactive host (headless sessions leave them unset)
  // The address the user enters; nullopt = cancelled. Headless: the address option.
  void setAddressProvider(std::function<std::optional<std::string>(const std::string& current)> provider) {
    addressProvider_ = std::move(provider);
  }
  // The data set the user picks (forSave: a name to save under); nullopt = cancelled.
  // Headless: the current data set, at first the database's default set.
  void setDataSetChooser(
      std::function<std::optional<std::string>(bool forSave, const std::vector<std::string>& existing,
                                               const std::string& current)>
          chooser) {
    dataSetChooser_ = std::move(chooser);
  }

 private:
  int32_t saveDataSet(const std::string& name);
  int32_t loadDataSet(const std::string& name);
  // The ProgID a view is opened by: as given, or the one a bare class name stands for.
  std::string resolveProgId(const std::string& nameOrProgId) const;
  // The loaded window of an open view of the class, or null.
  platform::ui::Form* openWindowOf(const std::string& progId) const;

  HostSession& session_;
  const HostOptions& options_;
  const dd::DeviceData* data_;
  ItemStore* store_;
  HostScheduler* scheduler_;
  Rq4400Simulator* simulator_;
  SequenceEngine* sequences_;
  DataSetDatabase* database_;
  uint64_t connectJob_ = 0;
  std::string currentDataSet_;
  std::function<std::optional<std::string>(const std::string&)> addressProvider_;
  std::function<std::optional<std::string>(bool, const std::vector<std::string>&, const std::string&)>
      dataSetChooser_;
};

}  // namespace tolvar::sim
