#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/com/dispatch.h"
#include "platform/ui/control.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/picture.h"

namespace platform::ui {

// Pixel size of a twip on the model's screen (96 dots per inch).
inline constexpr float kTwipsPerPixel = 15.0f;

// Labels, frames, text boxes, buttons, images, shapes, lines: properties only.
class PLAT_API BasicControl : public Control {
 public:
  BasicControl(Form& form, ControlType type, std::string name, int32_t index);
  void setProperty(std::string_view name, const Variant& value) override;
  const Picture& picture() const { return picture_; }
  void setPicture(Picture p);

 private:
  Picture picture_;
};

class PLAT_API TimerControl : public Control {
 public:
  TimerControl(Form& form, std::string name, int32_t index);
  ~TimerControl() override;
  void setProperty(std::string_view name, const Variant& value) override;
  void detach() override;

  int32_t interval() const;
  bool isEnabled() const;
  // What setting "Enabled" does (switching on restarts the count), without finding the
  // property by name: the views switch their notification timer at every change.
  void setTimerEnabled(bool on);
  // Runs the Timer event unless the handler is already running (no re-entry).
  void fire();
  bool running() const { return running_; }

 private:
  void rearm();
  bool running_ = false;
  bool detached_ = false;
  EventHandlerCache handler_;
  friend class EventLoop;
  TimerSchedule schedule_;
};

class PLAT_API MenuControl : public Control {
 public:
  MenuControl(Form& form, std::string name, int32_t index);
  // Sets "Checked" as setProperty does, without finding it by name: views check menu
  // entries as they work off notifications.
  void setChecked(bool checked);
  // Sub-entries in menu order (the controls whose container is this menu).
  std::vector<MenuControl*> entries() const;
  bool isSeparator() const { return caption() == "-"; }
};

struct Tab {
  std::string key;
  std::string caption;
  int32_t image = 0;
  Variant tag;
  std::string toolTipText;
  bool enabled = true;  // a disabled tab is shown greyed and cannot be chosen by the user
};

class PLAT_API TabStripControl : public Control {
 public:
  TabStripControl(Form& form, std::string name, int32_t index);

  const std::vector<Tab>& tabs() const { return tabs_; }
  int32_t count() const { return static_cast<int32_t>(tabs_.size()); }
  // Position 1..count of a key, 0 when absent.
  int32_t positionOf(std::string_view key) const;
  // Adds a tab at position (1..count+1; 0 or missing appends); error 35602-style 380 for a duplicate key.
  Tab& add(int32_t position, std::string key, std::string caption, int32_t image = 0);
  // Removes by key or position; error 35601-style 380 when absent.
  void remove(const Variant& keyOrPosition);
  Tab& tab(const Variant& keyOrPosition);  // error 380 when absent
  const Tab& tab(const Variant& keyOrPosition) const;
  void setTabCaption(const Variant& keyOrPosition, std::string caption);
  void setTabImage(const Variant& keyOrPosition, int32_t image);
  void setTabTag(const Variant& keyOrPosition, Variant tag);
  void setTabEnabled(const Variant& keyOrPosition, bool enabled);
  void clear();

  // The selected tab's position (0 when none). Selecting raises the Click event, also
  // when the tab was already selected, as the host's tab strip does.
  int32_t selectedPosition() const { return selected_; }
  std::string selectedKey() const;
  void select(const Variant& keyOrPosition);

  // The area the pages fill, in the form's coordinates.
  float clientLeft() const;
  float clientTop() const;
  float clientWidth() const;
  float clientHeight() const;

  Variant evalPath(std::string_view path) const override;
  std::string extraJson() const override;

  static constexpr float kTabRowHeight = 330.0f;  // height of one row of tabs
  static constexpr float kBorder = 30.0f;

 private:
  int32_t resolve(const Variant& keyOrPosition) const;  // 0 when absent
  std::vector<Tab> tabs_;
  int32_t selected_ = 0;
  int clickDepth_ = 0;
};

struct Panel {
  std::string key;
  std::string text;
  std::string toolTipText;
  std::string style = "text";     // "text" or "picture"
  std::string autoSize = "none";  // "none", "spring", "contents"
  float width = 1440;
  float minWidth = 0;
  float left = 0;  // computed
  bool visible = true;
  Picture picture;
};

class PLAT_API StatusBarControl : public Control {
 public:
  StatusBarControl(Form& form, std::string name, int32_t index);

  const std::vector<Panel>& panels() const { return panels_; }
  const Panel& panel(const Variant& keyOrPosition) const;  // error 380 when absent
  const Panel& addPanel(Panel p);
  // Every change of a panel tells the observers "Panels"; a new text alone tells them which
  // panel has it (newTextAt), so that they need not compare the others.
  void setPanelText(const Variant& keyOrPosition, std::string_view text);
  void setPanelToolTip(const Variant& keyOrPosition, std::string text);
  void setPanelPicture(const Variant& keyOrPosition, Picture picture);
  void setPanelWidth(const Variant& keyOrPosition, float width);
  // Lays the bar along the bottom of its form and spreads the panels over its width.
  void alignToForm();
  void layoutPanels();

  Variant evalPath(std::string_view path) const override;
  std::string extraJson() const override;

  // While the observers are told "Panels" after a new text of one panel: that panel's
  // position (from 0), the only thing that changed. Empty while they are told of any other
  // change of the panels (added, laid out, a tool tip, a picture) and outside a notification.
  std::optional<size_t> newTextAt() const { return newTextAt_; }

 private:
  int32_t resolve(const Variant& keyOrPosition) const;
  Panel& panelAt(const Variant& keyOrPosition);  // error 380 when absent
  void layoutPanelsTo(float totalWidth);
  // Tells "Panels", with `textAt` as newTextAt meanwhile.
  void notifyPanels(std::optional<size_t> textAt = std::nullopt);
  std::vector<Panel> panels_;
  std::optional<size_t> newTextAt_;
};

struct ListImage {
  std::string key;
  Picture picture;
};

class PLAT_API ImageListControl : public Control {
 public:
  ImageListControl(Form& form, std::string name, int32_t index);
  const std::vector<ListImage>& images() const { return images_; }
  void addImage(ListImage image);
  const ListImage* image(const Variant& keyOrPosition) const;
  Variant evalPath(std::string_view path) const override;
  std::string extraJson() const override;

 private:
  std::vector<ListImage> images_;
};

class PLAT_API ListBoxControl : public Control {
 public:
  ListBoxControl(Form& form, ControlType type, std::string name, int32_t index);
  const std::vector<std::string>& items() const { return items_; }
  // Inserts at index (0-based; -1 appends); error 5 outside 0..count.
  void addItem(std::string item, int32_t index = -1);
  void removeItem(int32_t index);  // error 5 outside the list
  void clear();
  int32_t listCount() const { return static_cast<int32_t>(items_.size()); }
  const std::string& list(int32_t index) const;  // error 381-style 5 outside
  int32_t listIndex() const { return getProperty("ListIndex").toLong(); }
  void setListIndex(int32_t i);
  // Tab stops in dialog units, as a list box takes them.
  void setTabStops(std::vector<int32_t> stops);
  const std::vector<int32_t>& tabStops() const { return tabStops_; }
  void setProperty(std::string_view name, const Variant& value) override;
  Variant evalPath(std::string_view path) const override;
  std::string extraJson() const override;

 private:
  std::vector<std::string> items_;
  std::vector<int32_t> tabStops_;
};

// The common dialog control: save-file, printer and help requests go to the services.
class PLAT_API CommonDialogControl : public Control {
 public:
  CommonDialogControl(Form& form, std::string name, int32_t index);
  // Each raises error 32755 when the user cancels and CancelError is True.
  void ShowSave();
  void ShowPrinter();
  void ShowHelp();
};

// What a plotter hands to the front end as its curves grow: the time the plot spans and, for
// each curve, its heading and the samples since the front end last asked.
struct PlotSamples {
  struct Curve {
    int32_t number = 0;  // 1 to 4, which gives the curve its colour
    std::string caption;
    std::string unit;
    double min = 0;  // the range it is drawn in; NaN where unknown
    double max = 0;
    bool live = false;    // the newest value still holds
    bool restart = true;  // the samples replace those held: the curve began anew
    // (time ms, value), oldest first; each holds until the next, NaN ends the line.
    std::vector<std::pair<double, double>> points;
  };
  double timeSpanMs = 0;
  std::vector<Curve> curves;
};

// The implementation side of a user control created by ProgID.
class PLAT_API UserControlImpl : public platform::com::Dispatch {
 public:
  // The control class name ("Tolvar4Text", "VEXAONOFF").
  virtual std::string kind() const = 0;
  // Called once when the control is placed on its form, and with nullptr when it leaves.
  virtual void attach(class UserControl* site) { site_ = site; }
  UserControl* site() const { return site_; }
  // What the control shows, by property name, for the front end and dumps.
  virtual std::vector<std::pair<std::string, Variant>> snapshot() const = 0;
  // Input from the user (the front end or a script): "text" edited, "select" an entry...
  virtual void userInput(std::string_view what, const Variant& value) {}
  // The picture the control shows, if it shows one (the lamp).
  virtual Picture picture() const { return {}; }
  // Drawing data that only grows (the plotter's samples): what is new since `mark`, which
  // moves on to the newest; mark 0 asks for all of it. False where the snapshot is all.
  virtual bool samplesSince(uint64_t& mark, PlotSamples& out) const { return false; }
  // Reads a property by name (for paths such as "ChannelCaption(1)"); 438 when unknown.
  virtual Variant propertyByName(std::string_view name, std::span<Variant> args);
  virtual void setPropertyByName(std::string_view name, const Variant& value);

 protected:
  using Dispatch::Dispatch;
  // Tells the front end that what the control shows changed.
  void changed(std::string_view what = "Display");

 private:
  UserControl* site_ = nullptr;
};

// A user control as the form holds it: the window-side properties (position, Visible,
// Enabled, Tag...) live here, everything else in the implementation object.
class PLAT_API UserControl : public Control {
 public:
  UserControl(Form& form, std::string typeName, std::string progId, std::string name, int32_t index,
              platform::com::Ptr<UserControlImpl> impl);
  ~UserControl() override;
  std::string typeName() const override { return typeName_; }
  const std::string& progId() const { return progId_; }
  UserControlImpl& impl() const { return *impl_; }
  platform::com::Ptr<UserControlImpl> object() const { return impl_; }

  Variant getProperty(std::string_view name) const override;
  void setProperty(std::string_view name, const Variant& value) override;
  Variant evalPath(std::string_view path) const override;
  std::vector<std::pair<std::string, Variant>> properties() const override;
  void detach() override;
  void notifyDisplay(std::string_view what) { notify(what); }

 private:
  std::string typeName_;
  std::string progId_;
  platform::com::Ptr<UserControlImpl> impl_;
};

// ProgID → factory of user controls. Libraries register the controls they provide.
class PLAT_API UserControlRegistry {
 public:
  using Factory = std::function<platform::com::Ptr<UserControlImpl>()>;
  static UserControlRegistry& instance();
  void add(std::string progId, Factory factory);
  void remove(const std::string& progId);
  bool has(std::string_view progId) const;
  // Error 429 when no such control is registered.
  platform::com::Ptr<UserControlImpl> create(std::string_view progId) const;

 private:
  std::map<std::string, Factory, NoCaseLess> factories_;
};

}  // namespace platform::ui
