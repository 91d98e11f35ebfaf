#pragma once
// One session of the simulated host: the device description and its items, the simulated
// RQ4400 behind them, the sequences that talk to it, the data-set database, the class loader
// that creates views by ProgID, and the views open now. The scripted host and the interactive
// host both drive the component through one of these.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/com/loader.h"
#include "platform/com/ref.h"
#include "platform/com/variant.h"
#include "tolvar/applet/applet.h"
#include "tolvar/applet/host_access.h"
#include "tolvar/applet/result.h"
#include "tolvar/sim/session_link.h"

namespace tolvar::dd {
struct DeviceData;
}

namespace tolvar::sim {

class ItemStore;
class HostScheduler;
class Rq4400Simulator;
class SequenceEngine;
class DataSetDatabase;
class SimDeviceDescription;
class FrameOperations;

struct HostOptions {
  std::filesystem::path deviceFile;    // empty: HostSession::defaultDeviceFile()
  std::filesystem::path databaseFile;  // empty: DataSetDatabase::defaultPath()
  std::filesystem::path registryFile;  // empty: ClassRegistry::defaultPath()
  std::string address = "0";           // the device address the host talks to
  int databaseBusyTimeoutMs = 250;     // how long a database operation waits for another's lock
  std::string language;                // the description's texts: "de", "en"; empty: the user's language
};

struct OpenedView {
  int32_t handle = 0;  // the view handle the view got in SetAppletItemManagRef
  std::string progId;  // as asked for
  Ptr<View> view;
  bool openedByHost = false;  // through the frame (OpenView, the device menu), not openView()
};

class HostSession {
 public:
  // Milliseconds the connection takes to come up ("&&private&&connect" 1 -> 2) and go down (3 -> 0).
  static constexpr int64_t kConnectMs = 300;
  static constexpr int64_t kDisconnectMs = 200;

  // Loads the device description and starts a session on it; a description that cannot be
  // loaded is a BadFile failure naming the file, the entry and the fault.
  static Result<std::unique_ptr<HostSession>> open(HostOptions options = {});
  // The same for tests and benches that cannot go on without a session: for them a description
  // that cannot be loaded is a fault of the setup, raised as BadResultAccess naming the failure.
  explicit HostSession(const HostOptions& options = {});
  // Ends the session (endSession); objects handed out earlier fail cleanly after.
  ~HostSession();
  HostSession(const HostSession&) = delete;
  HostSession& operator=(const HostSession&) = delete;

  // The language of the description's texts for `options`: theirs, else the user's ("de" for
  // German, "en" for every other).
  static std::string descriptionLanguage(const HostOptions& options);
  // devices/rq4400.json beside the running program, else the one in the source tree.
  static std::filesystem::path defaultDeviceFile();

  // --- parts
  ItemStore& store() { return *store_; }
  const dd::DeviceData& deviceData() const { return *data_; }
  Rq4400Simulator& simulator() { return *simulator_; }
  SequenceEngine& sequences() { return *sequences_; }
  DataSetDatabase& database() { return *database_; }
  HostScheduler& scheduler() { return *scheduler_; }
  platform::com::ServerLoader& loader() { return *loader_; }
  const HostOptions& options() const { return options_; }
  Ptr<AppletItemManager> itemManager() const { return itemManager_; }
  HostItemAccess* itemAccess() const;
  Ptr<DeviceDescription> deviceDescription() const;
  // A new frame object (GetFrame hands out one per call).
  Ptr<HostFrame> createFrame();

  // --- views
  // Creates the class by ProgID (through the built-in classes and the class registry), hands it
  // a new view handle and the item manager, and shows it. A failure names the class and the step
  // that failed (NotFound: no such class; Refused: not a view, or it refused a step); a
  // half-made view is destroyed again.
  Result<Ptr<View>> openView(const std::string& progId, bool openedByHost = false);
  // Destroys and forgets a view; its registrations last until its Destroy has returned, so that
  // its unload can still read items. A view that refuses (a close guard kept its window) stays
  // open and registered. False when the session does not hold it.
  bool destroyView(const Ptr<View>& view);
  bool destroyView(int32_t viewHandle);
  // The host's end: destroys the views still open, newest first; a view that refuses is let go
  // all the same (its window closes with it). Safe to call again.
  void endSession();
  // Unloads the windows that outlived their views (see endSession).
  static void closeOrphanWindows();
  // The views open now, oldest first. A view that released itself (ReleaseView) is gone.
  std::vector<OpenedView> views() const;
  std::vector<Ptr<View>> hostOpenedViews() const;
  int32_t viewHandleOf(const View* view) const;  // 0 when unknown
  Ptr<View> viewOf(int32_t viewHandle) const;    // null when gone
  // A view class the host serves itself, such as the generic table view.
  void registerBuiltinView(std::string progId, std::function<Ptr<platform::com::Unknown>()> factory);
  // Told after every view the session opened and shown.
  void setViewOpenedListener(std::function<void(const OpenedView&)> listener) {
    viewOpened_ = std::move(listener);
  }
  // What the item manager's ReleaseView does: the view's registrations end at once; the session
  // lets go of the view after the view's own call has returned. kStatusBadHandle when unknown.
  int32_t releaseView(const View* view);

  // --- host-side access (scripts, the table view, the interactive host)
  // A number is stored as a Double (a Boolean item takes it as True when not 0), a text as a
  // String, octets as the item's own octets; `shadowOnly` writes only the shadow value.
  // NotFound names an unknown item; InvalidArgument a value the item cannot take.
  Status setItem(const std::string& name, const Variant& value, bool shadowOnly);
  Status setBytes(const std::string& name, const platform::com::ByteArray& octets);
  std::optional<Variant> itemValue(const std::string& name) const;
  // {"NAME": value, ...} for every item in description order: numbers, texts, Booleans, octets
  // as hexadecimal pairs.
  std::string itemsJson() const;
  Status scenario(const std::string& name);
  // The next run of `record` gets response code `code` (bit 7 set: a communication error).
  void injectResponse(const std::string& record, uint8_t code);
  // Marks the data set changed ("&&private&&Dirty" True).
  void markDirty();

  // --- the frame's operations (connect, sequences, data sets, the device menu)
  FrameOperations& frameOperations() { return *frame_; }
  // A frame operation by name with text arguments, as a script's "frame" line calls it.
  Result<std::string> frame(const std::string& operation, const std::vector<std::string>& args);

  int32_t connectionState() const;
  std::string currentDataSet() const;

  // --- hooks of an interactive host (headless sessions leave them unset); see FrameOperations
  void setAddressProvider(std::function<std::optional<std::string>(const std::string& current)> provider);
  void setDataSetChooser(
      std::function<std::optional<std::string>(bool forSave, const std::vector<std::string>& existing,
                                               const std::string& current)>
          chooser);

  // --- messages the host would show the user (database failures, views that would not open)
  std::vector<std::string> takeHostMessages();
  const std::vector<std::string>& hostMessages() const { return messages_; }
  void setMessageListener(std::function<void(const std::string&)> listener) {
    messageListener_ = std::move(listener);
  }

 private:
  struct ViewEntry {
    OpenedView opened;
    bool released = false;
  };
  friend class FrameOperations;
  HostSession(HostOptions options, std::shared_ptr<const dd::DeviceData> data);
  void message(const std::string& text);
  void setHostItem(const char* name, const Variant& v);
  void onSequenceFinished(const std::string& sequence, bool adjust, bool ok);
  ViewEntry* entryOf(int32_t handle);
  const ViewEntry* entryOf(int32_t handle) const;

  HostOptions options_;
  SessionLinkPtr link_;
  std::shared_ptr<const dd::DeviceData> data_;
  std::unique_ptr<ItemStore> store_;
  std::unique_ptr<HostScheduler> scheduler_;
  std::unique_ptr<Rq4400Simulator> simulator_;
  std::unique_ptr<SequenceEngine> sequences_;
  std::unique_ptr<DataSetDatabase> database_;
  std::unique_ptr<platform::com::ServerLoader> loader_;
  std::unique_ptr<FrameOperations> frame_;
  Ptr<AppletItemManager> itemManager_;
  Ptr<SimDeviceDescription> deviceDescription_;
  std::vector<ViewEntry> views_;
  std::vector<std::string> builtinIds_;
  int32_t nextViewHandle_ = 1;
  std::vector<std::string> messages_;
  std::function<void(const OpenedView&)> viewOpened_;
  std::function<void(const std::string&)> messageListener_;
};

}  // namespace tolvar::sim
