#include "tolvar/controls/generic_view.h"

#include <algorithm>
#include <cstddef>
#include <exception>

#include "platform/com/error.h"
#include "platform/ui/event_loop.h"

extern const unsigned char tolvar_generic_view_design[];
extern const std::size_t tolvar_generic_view_design_size;

namespace tolvar::controls {

using platform::ui::ListBoxControl;

namespace {

std::string designText() {
  return std::string(reinterpret_cast<const char*>(tolvar_generic_view_design),
                     tolvar_generic_view_design_size);
}

constexpr const char* kRefused = "The value was not accepted.";

// Space below the list: name line, editor line and message.
constexpr float kEditorArea = 1665.0f;
constexpr float kMargin = 120.0f;
constexpr float kButtonWidth = 1320.0f;

}  // namespace

// ------------------------------------------------------------------------------- window

GenericViewForm::GenericViewForm() : Form("GenericViewForm", designText()) {
  on("ItemList", "Click", [this] {
    if (!refreshing_) showSelection();
  });
  on("ApplyButton", "Click", [this] { apply(); });
  on("RefreshTimer", "Timer", [this] { refreshRows(); });
}

GenericViewForm::~GenericViewForm() = default;

void GenericViewForm::Form_Load() {
  // Tab stops in dialog units: a long item name, then the value.
  ctlAs<ListBoxControl>("ItemList").setTabStops({160, 240});
}

void GenericViewForm::Form_QueryUnload(int16_t&, int16_t UnloadMode) {
  userClosing_ = UnloadMode == platform::ui::kUnloadFormControlMenu;
}

void GenericViewForm::Form_Unload(int16_t&) {
  timer("RefreshTimer").setProperty("Enabled", Variant(false));
  auto closed = std::move(onUserClose_);
  onUserClose_ = nullptr;
  if (userClosing_ && closed) closed();
  link_ = {};
}

void GenericViewForm::Form_Resize() {
  const float w = scaleWidth();
  const float h = scaleHeight();
  if (w < 3000 || h < kEditorArea + 1000) return;  // too small to lay out: leave the controls
  ctl("ItemList").move(kMargin, kMargin, w - 2 * kMargin, h - kMargin - kEditorArea);
  ctl("NameLabel").move(kMargin, h - 1545, w - 2 * kMargin, 255);
  ctl("ValueText").move(kMargin, h - 1230, w - 3 * kMargin - kButtonWidth, 315);
  ctl("ApplyButton").move(w - kMargin - kButtonWidth, h - 1260, kButtonWidth, 375);
  ctl("ErrorLabel").move(kMargin, h - 765, w - 2 * kMargin, 615);
}

const GenericViewForm::Info& GenericViewForm::info(const std::string& name) {
  auto it = infos_.find(name);
  if (it != infos_.end()) return it->second;
  Info i;
  if (link_) {
    ItemDescription d = link_.access->describeItem(name);
    i.exists = d.exists;
    i.readOnly = !d.exists || d.readOnly;
    i.label = d.label;
    i.unitItem = d.unitItem;
    i.unitText = d.unitText;
  }
  return infos_.emplace(name, std::move(i)).first->second;
}

std::string GenericViewForm::rowText(const std::string& name) {
  std::string value, unit;
  if (link_) {
    try {
      const Info& i = info(name);
      value = link_.access->itemText(name);
      // A unit that follows a unit item is read on every refresh; a fixed one once.
      unit = i.unitItem.empty() ? i.unitText : link_.access->itemText(i.unitItem);
    } catch (const platform::com::RuntimeError&) {
      value.assign(1, '?');  // one unreadable item does not stop the others
    }
  }
  return name + "\t" + value + "\t" + unit;
}

std::string GenericViewForm::selectedItem() const {
  if (!isLoaded()) return {};
  const auto* list = dynamic_cast<const ListBoxControl*>(findControl("ItemList"));
  const int32_t i = list ? list->listIndex() : -1;
  return i >= 0 && static_cast<size_t>(i) < names_.size() ? names_[i] : std::string();
}

void GenericViewForm::refreshRows() {
  auto& list = ctlAs<ListBoxControl>("ItemList");
  refreshing_ = true;
  struct Done {
    bool& f;
    ~Done() { f = false; }
  } done{refreshing_};

  std::vector<std::string> names = lister_ ? lister_() : std::vector<std::string>{};
  const std::string selected = selectedItem();
  if (names != names_ || list.listCount() != static_cast<int32_t>(names.size())) {
    names_ = std::move(names);
    infos_.clear();
    list.clear();
    for (const std::string& n : names_) list.addItem(rowText(n));
    const auto it = std::find(names_.begin(), names_.end(), selected);
    if (it != names_.end()) {
      list.setListIndex(static_cast<int32_t>(it - names_.begin()));
    } else if (!selected.empty()) {
      refreshing_ = false;
      showSelection();  // the selected item is gone
    }
    return;
  }
  const int32_t index = list.listIndex();
  for (size_t i = 0; i < names_.size(); ++i) {
    std::string row = rowText(names_[i]);
    const auto at = static_cast<int32_t>(i);
    if (list.list(at) == row) continue;
    list.removeItem(at);
    list.addItem(std::move(row), at);
  }
  if (list.listIndex() != index) list.setListIndex(index);
}

void GenericViewForm::showSelection() {
  const std::string name = selectedItem();
  const bool editable = !name.empty() && link_ && !info(name).readOnly;
  std::string caption = name;
  if (!name.empty() && !info(name).label.empty()) caption += " - " + info(name).label;
  ctl("NameLabel").setCaption(caption);
  ctl("ValueText").setText(!name.empty() && link_ ? link_.access->itemText(name) : std::string());
  ctl("ValueText").setProperty("Locked", Variant(!editable));
  ctl("ApplyButton").setEnabled(editable);
  ctl("ErrorLabel").setCaption("");
}

void GenericViewForm::apply() {
  const std::string name = selectedItem();
  if (name.empty() || !link_) {
    ctl("ErrorLabel").setCaption(name.empty() ? "Select an item first." : "No item manager is connected.");
    return;
  }
  if (const Status set = link_.access->setItemFromText(name, ctl("ValueText").text()); !set) {
    // The typed text stays, so that the user can correct it.
    ctl("ErrorLabel").setCaption(set.text().empty() ? kRefused : set.text());
    return;
  }
  ctl("ErrorLabel").setCaption("");
  ctl("ValueText").setText(link_.access->itemText(name));
  refreshRows();
}

// --------------------------------------------------------------------------------- view

namespace {

// Every view operation is an entry point from the host: nothing escapes it.
template <class F>
int32_t boundary(const char* where, F&& f) {
  try {
    f();
    return 0;
  } catch (const platform::com::RuntimeError& e) {
    platform::ui::EventLoop::instance().reportError(std::string("GenericView.") + where, e.what());
    return platform::com::hr::failed(e.resultCode()) ? e.resultCode() : platform::com::hr::Fail;
  } catch (const std::exception& e) {
    platform::ui::EventLoop::instance().reportError(std::string("GenericView.") + where, e.what());
    return platform::com::hr::Fail;
  }
}

}  // namespace

GenericView::GenericView(ItemLister lister) : lister_(std::move(lister)) {}

GenericView::~GenericView() {
  Destroy();
}

GenericViewForm& GenericView::window() {
  if (!form_ || form_->wasUnloaded()) {
    // A window the user closed comes back as a new one when the host shows the view again.
    form_ = platform::com::makeObject<GenericViewForm>();
    form_->setLister(lister_);
    form_->setHost(link_);
    form_->setOnUserClose([this] {
      // Tell the host after the unload has run to its end, as the component's views do.
      if (!link_) return;
      Ptr<View> self(this);
      Ptr<AppletItemManager> aim = link_.itemManager;
      platform::ui::EventLoop::instance().post([self, aim] {
        int32_t status = 0;
        aim->ReleaseView(self, status);
      });
    });
  }
  return *form_;
}

int32_t GenericView::SetAppletItemManagRef(int32_t, Ptr<AppletItemManager> AIMRef) {
  return boundary("SetAppletItemManagRef", [&] {
    link_ = linkTo(AIMRef);
    if (form_) form_->setHost(link_);
  });
}

int32_t GenericView::Show() {
  return boundary("Show", [&] {
    GenericViewForm& f = window();
    f.show();
    f.setWindowState(platform::ui::kNormal);
    f.refreshRows();
    f.timer("RefreshTimer").setProperty("Enabled", Variant(true));
  });
}

int32_t GenericView::Hide() {
  return boundary("Hide", [&] {
    if (!form_ || !form_->isLoaded()) return;
    form_->timer("RefreshTimer").setProperty("Enabled", Variant(false));
    form_->hide();
  });
}

int32_t GenericView::Destroy() {
  return boundary("Destroy", [&] {
    Ptr<GenericViewForm> f = std::move(form_);
    form_ = nullptr;
    if (f && f->isLoaded()) f->unload(platform::ui::kUnloadFormCode);
  });
}

int32_t GenericView::NotifyChanged(int32_t, bool, int32_t, int32_t) {
  return 0;  // the view reads its items on its own timer
}

platform::com::Ptr<tolvar::View> createGenericView(ItemLister lister) {
  return platform::com::Ptr<tolvar::View>(platform::com::makeObject<GenericView>(std::move(lister)));
}

}  // namespace tolvar::controls
