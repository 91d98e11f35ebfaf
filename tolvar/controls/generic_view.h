#pragma once
// The host's generic table view ("GenericView.GenericViewClass"): every item with its value
// and unit, refreshed twice a second, and an editor for the selected item.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/ui/form.h"
#include "tolvar/applet/applet.h"
#include "tolvar/controls/host_control.h"

namespace tolvar::controls {

// The names of the items the view lists, in the order shown.
using ItemLister = std::function<std::vector<std::string>()>;

class GenericViewForm final : public platform::ui::Form {
 public:
  GenericViewForm();
  ~GenericViewForm() override;

  void setHost(const HostLink& link) { link_ = link; }
  void setLister(ItemLister lister) { lister_ = std::move(lister); }
  // Runs once after the user closed the window (not when the program unloads it).
  void setOnUserClose(std::function<void()> f) { onUserClose_ = std::move(f); }

  // Reads the item list and every value again; rows that did not change stay as they are.
  void refreshRows();
  const std::vector<std::string>& itemNames() const { return names_; }
  std::string selectedItem() const;
  // "name<TAB>value<TAB>unit".
  std::string rowText(const std::string& name);

 protected:
  void Form_Load() override;
  void Form_QueryUnload(int16_t& Cancel, int16_t UnloadMode) override;
  void Form_Unload(int16_t& Cancel) override;
  void Form_Resize() override;

 private:
  struct Info {
    bool exists = false;
    bool readOnly = true;
    std::string label;
    std::string unitItem;
    std::string unitText;
  };
  const Info& info(const std::string& name);
  void showSelection();
  void apply();

  HostLink link_;
  ItemLister lister_;
  std::vector<std::string> names_;
  std::map<std::string, Info> infos_;
  std::function<void()> onUserClose_;
  bool refreshing_ = false;
  bool userClosing_ = false;
};

class GenericView final : public tolvar::View, public platform::ui::WindowOwner {
 public:
  explicit GenericView(ItemLister lister);
  ~GenericView() override;

  int32_t SetAppletItemManagRef(int32_t lViewHandle2, Ptr<AppletItemManager> AIMRef) override;
  int32_t Show() override;
  int32_t Hide() override;
  int32_t Destroy() override;
  int32_t NotifyChanged(int32_t lAppletItemHandle, bool bShadow, int32_t lState, int32_t lUserLong) override;

  // The window while the view has one (null after Destroy).
  GenericViewForm* form() const { return form_.get(); }
  platform::ui::Form* ownedWindow() const override { return form_.get(); }

 private:
  GenericViewForm& window();

  ItemLister lister_;
  HostLink link_;
  Ptr<GenericViewForm> form_;
};

// The view class object. `lister` names the items to show; without one the view lists nothing.
platform::com::Ptr<tolvar::View> createGenericView(ItemLister lister = {});

}  // namespace tolvar::controls
