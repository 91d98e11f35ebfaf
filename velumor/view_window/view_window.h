#pragma once
// The view window: what the main, diagnosis, simulation and display windows keep and do the
// same way. A window passes its differences as data (ViewWindowTraits) and overrides only
// Register, Dispatch and the hooks below; see README.md in this folder for how to build one.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/com/ref.h"
#include "platform/ui/form.h"
#include "tolvar/applet/applet.h"
#include "velumor/shared/windows/window_files.h"  // designText: the window designs compiled in
#include "velumor/view_window/kept_control.h"
#include "velumor/view_window/notify_type.h"
#include "velumor/view_window/test_access.h"
#include "velumor/view_window/view_binding.h"

namespace velumor::view_window {

class DynamicMenu;
class SeqStartQueue;

// What differs between the view windows, as data.
struct ViewWindowTraits {
  // The name of the window's own view class ("VelumorMainViewClass"): a device-menu entry
  // whose parameter names it would open this very window and is hidden.
  std::string ownClassName;
  // String id of the caption's leading text ("Device Data, " is 1); 0: none.
  int32_t captionTextId = 0;
  // String id of the help file's name (98; the diagnosis window takes 99).
  int32_t helpFileTextId = 98;
  // The engineering context, once it applies: MenuSetAddress is hidden, then for the value 2
  // these are disabled, for any other qualifying value these are enabled.
  std::vector<std::string> lockedOnContext2;
  std::vector<std::string> enabledOnOtherContext;
  // The user-level panel reads "<level>.<text 330>" (main, diagnosis) or "<level>" alone.
  bool userLevelWithAdministrator = true;
  // Level 0 / 1 and data source 1 / 2 set the check marks of the Settings menu.
  bool settingsMenuFollowsItems = true;
  // The data-source tooltip carries five blanks and the data file name.
  bool dataSourceTooltipWithFileName = true;
  // The unload asks "Save data set to database?" when the data set is dirty.
  bool asksSaveOnExit = false;
  // Has the dynamic device menu (dynaMenu) and the sequence-start queue (SeqStartTimer).
  bool hasDynamicMenu = false;
  bool hasSeqStartQueue = false;
};

// The traits a window starts from. One that keeps a data set (main, diagnosis, simulation)
// asks to save it on exit and has the device menu with its sequence queue.
ViewWindowTraits viewTraits(std::string ownClassName, int32_t captionTextId, bool keepsDataSet);
// An output window (simulation, displays): Connect, Disconnect and Set Address follow the
// engineering context; the user level has no administrator text, the Settings menu no check
// marks and the data-source tooltip no file name.
ViewWindowTraits outputViewTraits(std::string ownClassName, int32_t captionTextId, bool keepsDataSet);

// A menu and the string id of its caption.
struct MenuText {
  const char* menu;
  int32_t id;
};

class ViewWindow : public platform::ui::Form {
 public:
  ~ViewWindow() override;

  // The view object that owns this window (ViewRef), handed back to the item manager when
  // the window unloads. The window's view class hands itself over, and takes itself back when
  // it lets the window go.
  void takeOwningView(platform::com::Ptr<tolvar::View> view) { ViewRef = std::move(view); }
  void dropOwningView() { ViewRef = nullptr; }

  // The items the kit's own branches, menus and questions read. Each window registers them
  // under its own spelling and in its own order (registerKitItem).
  enum class KitItem {
    EngineeringContext,
    Address,
    Descriptor,
    Connect,
    CurrentSource,
    UserLevel,
    Adjust,
    UploadQuestion,
    UploadProgress,
    DownloadProgress,
    FullDownloadProgress,
    SaveToDataBaseOnExit,
    Dirty,
  };

  // Keeps the item manager, its device description and the view handle, then arms the
  // one-shot registration timer (the window loads inside this call). A window the user has
  // closed is not attached again (error 364). Returns 0.
  int32_t SetAppletItemManagRef(int32_t lViewHandle2, platform::com::Ptr<tolvar::AppletItemManager> AIMRef);
  // Queues one notification while the window has its queue; otherwise drops it without
  // touching a control. Returns 0.
  int32_t NotifyChanged(int32_t lAppletItemHandle, bool bShadow, int32_t lState, int32_t lUserLong);

  // The host binding: read-only for everyone but the window itself.
  const ViewBinding& binding() const { return binding_; }
  const ViewWindowTraits& traits() const { return traits_; }

  // The start-form entries of the device menu, around a modal box (other windows call them
  // too): Disable clears the enabled bit of every "fncStartForm" entry's state item, Enable
  // puts back exactly what the matching Disable changed. Nesting is allowed.
  void DisableStartFormEntries();
  void EnableStartFormEntries();

  // The device menu and the sequence-start queue; null for a window that has none.
  DynamicMenu* dynamicMenu() const { return dynamicMenu_.get(); }
  SeqStartQueue* seqStartQueue() const { return seqStartQueue_.get(); }
  // Appends one host sequence name to the sequence-start queue (error 91 without one).
  void QueueSeqStart(const std::string& name);

  // True from the first step of the unload on: a handler resuming after a modal box checks
  // it and leaves the window alone.
  bool unloadStarted() const { return unloadStarted_; }
  // The window is loaded and not being unloaded.
  bool alive() const { return isLoaded() && !wasUnloaded() && !unloadStarted_; }

 protected:
  ViewWindow(std::string name, std::string designJson, ViewWindowTraits traits = {});

  // --- overridden by each window
  // The registration tick's work.
  virtual void Register() {}
  // One notification, outside the host's call.
  virtual void Dispatch(const VELUMOR_Notify_Type& record) {}
  // The connection state after the status-bar panel was drawn: the window's own menus and
  // tabs. Called for every state; contextLocksConnection() tells whether the engineering
  // context holds the connection menus locked (value 2).
  virtual void OnConnectionState(int32_t state) {}
  bool contextLocksConnection() const { return EngineeringContextApplied && EngineeringContextValue == 2; }
  // Called when the engineering context locks the window with the value 2, before the
  // menus are disabled (the main window goes offline in appearance).
  virtual void OnEngineeringContextLocked() {}
  // The window's own unload steps before the standard ones (none by default).
  virtual void UnloadOwnSteps() {}

  // --- building blocks for Form_Load
  // The help file of the user's language in the component's folder.
  void setHelpFile();
  // The menu step of a parameter window's load: the captions, the help file, the Adjust,
  // Maintenance and Specialist menus no user may use, and the separator MenuS3, hidden.
  void loadMenusAndHelp(std::span<const MenuText> captions);
  // The minimum and last sizes of velumor::view_window::applyMinimumSize (minimum_size.h) kept in
  // MinFormWidth, MinFormHeight, LastFormWidth and LastFormHeight. Resizes lay out nothing
  // from here until layOutOnResize().
  void applyMinimumSize(std::string_view marker = "ResizeLabel",
                        std::string_view statusBar = "VelumorStatusBar");
  // The load has placed the controls: resizes lay them out from now on.
  void layOutOnResize() { FormLoaded_ = true; }
  bool FormLoaded() const { return FormLoaded_; }
  // The progress frame over the status bar's data-source panel, borderless and in front, its
  // three bar pairs empty; the tooltips of the connection and data-source panels.
  void placeProgressFrame();
  // The progress frame follows the status bar after a size change.
  void placeProgressFrameOnResize();
  // The start of a window's Form_Resize: the minimum size (in the normal window state only: a
  // maximised window has the screen's size), then the change against the last recorded size
  // in whole twips. False while minimised or still loading: nothing is to be laid out then.
  bool takeSizeChange(int32_t& dW, int32_t& dH);
  // A window's own resize rule in place of takeSizeChange, given the minimum sizes, the last
  // recorded sizes to update and whether the load has placed the controls.
  using ResizeRule = std::function<void(int32_t minWidth, int32_t minHeight, int32_t& lastWidth,
                                        int32_t& lastHeight, bool formLoaded)>;
  void resizeBy(const ResizeRule& rule) {
    rule(MinFormWidth, MinFormHeight, LastFormWidth, LastFormHeight, FormLoaded_);
  }
  // The last step of every window's load.
  void createNotifyQueue() { binding_.openQueue(); }
  // The two optional frame operations: an entry stays enabled only where the host frame
  // refuses the probe call with error 450 (the operation exists and takes no argument).
  void probeOptionalFrameOperations(std::string_view openNewMenu = "MenuOpenNew",
                                    std::string_view saveAsMenu = "MenuSaveAs");
  bool hostFrameOffers(std::string_view operation);

  // --- building blocks for registration
  // RegisterItem with the window's view handle; returns the status, `handle` 0 when refused.
  int32_t registerItem(const std::string& name, bool flag, int32_t& handle, int32_t tag = 0,
                       int32_t mode = 0);
  // The same for one of the kit's items, its handle kept by the kit.
  int32_t registerKitItem(KitItem item, const std::string& name, bool flag);
  void unadviseItem(int32_t handle);
  // The table-view menu entry stays only where the host knows the table view's menu state;
  // the item registered to ask is given back at once.
  void offerTableViewIfTheHostHasIt();
  // The enumeration handle of an item (FindObject "object", GetObjectInfo's fifth value,
  // FindObject "enumeration"); statuses are not looked at.
  int32_t enumerationHandleOf(const std::string& itemName);
  // BindItems of "VelumorTolvar4CtrlItemHandler" with this window and the item manager: the
  // host's controls take their items from then on (their item names set before).
  void bindItemHandler();
  // Reads "DevDescLong" into DevDescText and makes it the caption.
  void readDeviceText();
  // Registers one progress item per device sequence but the three transfer sequences, with
  // tag &H0A000000 Or index (first sequence at 0, the others from the last index down);
  // any failing enumeration step registers nothing.
  void registerSequenceProgressItems(std::vector<int32_t>& handles);
  // "UploadQuestion" exactly 1, connected and no upload running: asks, and on OK queues
  // "GET_TRANSMITTER_STATE_Octets" and "upload".
  void askUpload();

  // --- building blocks for the dispatch (each reads its item itself)
  void ApplyEngineeringContext(int32_t handle);
  void UpdateCaptionAddress(int32_t handle);
  void UpdateCaptionDescriptor(int32_t handle);
  void ShowConnectionState(int32_t handle);
  void ShowDataSource(int32_t handle);
  void ShowFileName(int32_t handle);
  void ShowUserLevel(int32_t handle);
  // The status bar's text of a user level: text 320 + level, with ".Administrator" where the
  // traits ask for it. Made once per level in the user language and kept while it stays:
  // the level is shown at every change of it.
  const std::string& userLevelText(int32_t level);
  // Progress of one bar pair ("upload", "download", "SequenceProgress"): shown at
  // width × p / 100 while p is neither 0 nor 100; 0 or 100 hides the pair and the frame.
  void ShowProgress(std::string_view pair, int32_t handle);
  // Tag &H10000000 + i: the state bits of device-menu entry i.
  void ApplyMenuState(int32_t handle, int32_t tag);
  // The caption from its parts: text captionTextId, "[" address "] " device text ": " descriptor.
  void composeCaption();

  // --- commands (standard menus are wired by the constructor; these are for buttons too)
  void frameCommand(const std::string& who, const std::function<void(tolvar::HostFrame&, int32_t&)>& call);
  void openView(const std::string& progId, bool hourglass = false);
  void showHelpContents();
  void openWebPage();
  void openSoftService();
  void openReadMe();
  void openAbout();
  // Writes 1 or 2 to the data-source item and moves the check marks at once.
  void chooseDataSource(int32_t source, int32_t handle);

  // Handles of the kit's items, as registerKitItem kept them: 0 until then or for an item the
  // host lacks (a handle of 0 never matches a notification).
  int32_t EngineeringContextHandle() const { return kitHandle(KitItem::EngineeringContext); }
  int32_t AddressHandle() const { return kitHandle(KitItem::Address); }
  int32_t DescriptorHandle() const { return kitHandle(KitItem::Descriptor); }
  int32_t ConnectHandle() const { return kitHandle(KitItem::Connect); }
  int32_t CurrentSourceHandle() const { return kitHandle(KitItem::CurrentSource); }
  int32_t UserLevelHandle() const { return kitHandle(KitItem::UserLevel); }
  int32_t UploadQuestionHandle() const { return kitHandle(KitItem::UploadQuestion); }
  int32_t UploadProgressHandle() const { return kitHandle(KitItem::UploadProgress); }
  int32_t DownloadProgressHandle() const { return kitHandle(KitItem::DownloadProgress); }
  int32_t FullDownloadProgressHandle() const { return kitHandle(KitItem::FullDownloadProgress); }
  int32_t SaveToDataBaseOnExitHandle() const { return kitHandle(KitItem::SaveToDataBaseOnExit); }
  int32_t DirtyHandle() const { return kitHandle(KitItem::Dirty); }

  // What the shared branches last read, for the windows' own branches and reports.
  int32_t ConnectionState() const { return ConnectionState_; }
  const std::string& DataFileName() const { return DataFileName_; }
  const std::string& DevDescText() const { return DevDescText_; }  // the device property "DevDescLong"

  // --- the unload
  // The standard unload, each step in its own error scope and run once: the window's own
  // steps, help closed, save question, child windows, host controls released, ReleaseView,
  // every timer stopped, host references and queues dropped.
  void unloadViewWindow();
  void Form_Unload(int16_t& Cancel) override { unloadViewWindow(); }
  // A right-button release over the window pops the device menu up.
  void Form_MouseUp(int16_t Button, int16_t Shift, float X, float Y) override;

  // An error of a step reported under this window's name, the step given up.
  void reported(std::string_view step, const std::function<void()>& f);

  // Sets the property of a menu or control ("Name" or "Name(3)") if the window has it
  // (designs differ).
  void setMenuEnabled(std::string_view name, bool enabled);
  void setMenuVisible(std::string_view name, bool visible);
  void setMenuChecked(std::string_view name, bool checked);

 private:
  friend class DynamicMenu;
  template <class>
  friend struct TestAccess;
  void NotifyTimer_Timer();
  void RegisterTimer_Timer();
  void wireStandardMenus();
  void askSaveOnExit();
  // setMenuChecked for a menu of the settings that every notification of its item touches.
  void setChecked(KeptControl<platform::ui::Control>& menu, bool checked);

  int32_t kitHandle(KitItem item) const { return kitHandles_[static_cast<size_t>(item)]; }

  ViewBinding binding_;
  // The view object that owns this window; handed back to the item manager at the unload.
  platform::com::Ptr<tolvar::View> ViewRef;
  // What the shared branches last read, under one name in every window.
  int32_t ConnectionState_ = 0;
  int32_t EngineeringContextValue = 0;
  bool EngineeringContextApplied = false;
  int32_t DataSourceValue = 0;
  std::string DataFileName_;
  std::string DevDescText_;
  std::string AddressText;     // caption part, cut at NUL
  std::string DescriptorText;  // caption part, cut at NUL
  std::string HelpFile;        // the component's help file in the user's language
  // By KitItem.
  std::array<int32_t, static_cast<size_t>(KitItem::Dirty) + 1> kitHandles_{};
  // Minimum outer size and the outer size at the last resize, in whole twips.
  int32_t MinFormWidth = 0;
  int32_t MinFormHeight = 0;
  int32_t LastFormWidth = 0;
  int32_t LastFormHeight = 0;
  // False while the load places the controls: resizes then lay out nothing.
  bool FormLoaded_ = false;
  // Windows the Help menu opened last; they close with this window.
  platform::com::Ptr<platform::ui::Form> AboutWindow;
  platform::com::Ptr<platform::ui::Form> SoftServiceWindow;
  platform::com::Ptr<platform::ui::Form> ReadMeWindow;

  ViewWindowTraits traits_;
  std::unique_ptr<DynamicMenu> dynamicMenu_;
  std::unique_ptr<SeqStartQueue> seqStartQueue_;
  bool unloadStarted_ = false;
  // userLevelText's texts by level, in the language userLevelTextsLang_; a host that sends
  // ever new levels makes them anew after kUserLevelTextsKept.
  static constexpr size_t kUserLevelTextsKept = 8;
  std::vector<std::pair<int32_t, std::string>> userLevelTexts_;
  uint16_t userLevelTextsLang_ = 0;
  KeptControl<platform::ui::StatusBarControl> statusBar_{"VelumorStatusBar"};
  KeptControl<platform::ui::Control> menuMaintenance_{"MenuMaintenance"};
  KeptControl<platform::ui::Control> menuSpecialist_{"MenuSpecialist"};
  KeptControl<platform::ui::Control> menuSourceFile_{"MenuSourceFile"};
  KeptControl<platform::ui::Control> menuSourceDevice_{"MenuSourceDevice"};
};

// A number the host delivered, rounded half to even into a Long; nothing for NaN or a value
// outside the Long range.
std::optional<int32_t> roundToLong(double v);

// The hourglass while a host action runs, the default pointer back on every way out.
class Hourglass {
 public:
  explicit Hourglass(platform::ui::Form& form);
  ~Hourglass();
  Hourglass(const Hourglass&) = delete;
  Hourglass& operator=(const Hourglass&) = delete;

 private:
  platform::com::Ptr<platform::ui::Form> form_;
};

}  // namespace velumor::view_window
