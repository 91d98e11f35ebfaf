#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>

#include "platform/ui/controls.h"
#include "platform/ui/controls_support.h"
#include "platform/ui/form.h"

namespace platform::ui {

using namespace platform::ui::detail;
using platform::com::equalsNoCase;
using platform::com::RuntimeError;
using platform::com::VarType;
namespace err = platform::com::err;

// ---------------------------------------------------------------- TabStrip

TabStripControl::TabStripControl(Form& form, std::string name, int32_t index)
    : Control(form, ControlType::TabStrip, std::move(name), index) {
  auto d = [this](std::string_view n, Variant v) { declare(n, std::move(v)); };
  declareVisual(*this, d);
  d("ImageList", Variant(std::string()));
  d("MultiRow", Variant(false));
  d("Style", Variant(int16_t{0}));
  d("TabWidthStyle", Variant(int16_t{0}));
  d("Placement", Variant(int16_t{0}));
}

int32_t TabStripControl::resolve(const Variant& k) const {
  return resolveIn(tabs_, k, [](const Tab& t) -> const std::string& { return t.key; });
}

int32_t TabStripControl::positionOf(std::string_view key) const {
  return resolve(Variant(key));
}

Tab& TabStripControl::add(int32_t position, std::string key, std::string caption, int32_t image) {
  if (!key.empty() && resolve(Variant(key)) != 0)
    platform::com::raise(err::InvalidPropertyValue, "Key is not unique in collection: " + key);
  if (position == 0) position = count() + 1;
  if (position < 1 || position > count() + 1)
    platform::com::raise(err::InvalidPropertyValue, "Index out of bounds");
  Tab t;
  t.key = std::move(key);
  t.caption = std::move(caption);
  t.image = image;
  tabs_.insert(tabs_.begin() + (position - 1), std::move(t));
  if (selected_ >= position) ++selected_;
  if (selected_ == 0) selected_ = 1;  // a strip with tabs always has a selected tab
  notify("Tabs");
  return tabs_[position - 1];
}

void TabStripControl::remove(const Variant& k) {
  int32_t pos = foundAt(resolve(k), k);
  tabs_.erase(tabs_.begin() + (pos - 1));
  if (selected_ == pos)
    selected_ = tabs_.empty() ? 0 : std::min<int32_t>(pos, count());
  else if (selected_ > pos)
    --selected_;
  notify("Tabs");
}

Tab& TabStripControl::tab(const Variant& k) {
  return tabs_[foundAt(resolve(k), k) - 1];
}
const Tab& TabStripControl::tab(const Variant& k) const {
  return const_cast<TabStripControl*>(this)->tab(k);
}

void TabStripControl::setTabCaption(const Variant& k, std::string caption) {
  if (replaced(tab(k).caption, std::move(caption))) notify("Tabs");
}
void TabStripControl::setTabImage(const Variant& k, int32_t image) {
  if (replaced(tab(k).image, image)) notify("Tabs");
}
void TabStripControl::setTabTag(const Variant& k, Variant tag) {
  Tab& t = tab(k);
  t.tag = std::move(tag);
}
void TabStripControl::setTabEnabled(const Variant& k, bool enabled) {
  if (replaced(tab(k).enabled, enabled)) notify("Tabs");
}

void TabStripControl::clear() {
  tabs_.clear();
  selected_ = 0;
  notify("Tabs");
}

std::string TabStripControl::selectedKey() const {
  return selected_ ? tabs_[selected_ - 1].key : std::string();
}

void TabStripControl::select(const Variant& k) {
  int32_t pos = foundAt(resolve(k), k);
  bool changed = pos != selected_;
  selected_ = pos;
  if (changed) notify("SelectedItem");
  // A click handler may select again; a runaway chain ends with an error, not a crash.
  if (clickDepth_ > 64) platform::com::raise(28, "Out of stack space");
  ++clickDepth_;
  struct Dec {
    int& d;
    ~Dec() { --d; }
  } dec{clickDepth_};
  raise("Click");
}

float TabStripControl::clientLeft() const {
  return left() + kBorder;
}
float TabStripControl::clientTop() const {
  return top() + kTabRowHeight + kBorder;
}
float TabStripControl::clientWidth() const {
  return std::max(0.0f, width() - 2 * kBorder);
}
float TabStripControl::clientHeight() const {
  return std::max(0.0f, height() - kTabRowHeight - 2 * kBorder);
}

Variant TabStripControl::evalPath(std::string_view path) const {
  PathSegment s = splitControlPath(path);
  auto tabField = [&](const Tab& t, const std::string& field) -> Variant {
    if (field.empty() || equalsNoCase(field, "Key")) return Variant(t.key);
    if (equalsNoCase(field, "Caption")) return Variant(t.caption);
    if (equalsNoCase(field, "Image")) return Variant(t.image);
    if (equalsNoCase(field, "Tag")) return t.tag;
    if (equalsNoCase(field, "ToolTipText")) return Variant(t.toolTipText);
    if (equalsNoCase(field, "Enabled")) return Variant(t.enabled);
    if (equalsNoCase(field, "Index")) return Variant(positionOf(t.key));
    if (equalsNoCase(field, "Selected")) return Variant(positionOf(t.key) == selected_);
    noPath(*this, path);
  };
  if (equalsNoCase(s.name, "Tabs")) {
    if (!s.arg) {
      if (equalsNoCase(s.rest, "Count")) return Variant(count());
      noPath(*this, path);
    }
    return tabField(tab(pathArg(*s.arg)), s.rest);
  }
  if (equalsNoCase(s.name, "SelectedItem")) {
    if (selected_ == 0) platform::com::raise(err::ObjectNotSet);
    return tabField(tabs_[selected_ - 1], s.rest);
  }
  if (s.rest.empty() && !s.arg) {
    if (equalsNoCase(s.name, "ClientLeft")) return Variant(clientLeft());
    if (equalsNoCase(s.name, "ClientTop")) return Variant(clientTop());
    if (equalsNoCase(s.name, "ClientWidth")) return Variant(clientWidth());
    if (equalsNoCase(s.name, "ClientHeight")) return Variant(clientHeight());
  }
  return Control::evalPath(path);
}

std::string TabStripControl::extraJson() const {
  nlohmann::json list = nlohmann::json::array();
  for (size_t i = 0; i < tabs_.size(); ++i) {
    const Tab& t = tabs_[i];
    nlohmann::json entry = {{"key", t.key},
                            {"caption", t.caption},
                            {"image", t.image},
                            {"tag", t.tag.isEmpty() ? std::string() : t.tag.toString()},
                            {"selected", static_cast<int32_t>(i + 1) == selected_}};
    if (!t.enabled) entry["enabled"] = false;
    list.push_back(std::move(entry));
  }
  return jsonText({{"tabs", list}, {"client", {clientLeft(), clientTop(), clientWidth(), clientHeight()}}});
}

// ---------------------------------------------------------------- StatusBar

StatusBarControl::StatusBarControl(Form& form, std::string name, int32_t index)
    : Control(form, ControlType::StatusBar, std::move(name), index) {
  auto d = [this](std::string_view n, Variant v) { declare(n, std::move(v)); };
  declareVisual(*this, d);
  d("Height", Variant(315.0f));
  d("Align", Variant(int16_t{2}));  // along the bottom
  d("Style", Variant(int16_t{0}));
  d("SimpleText", Variant(std::string()));
}

int32_t StatusBarControl::resolve(const Variant& k) const {
  return resolveIn(panels_, k, [](const Panel& p) -> const std::string& { return p.key; });
}

Panel& StatusBarControl::panelAt(const Variant& k) {
  return panels_[foundAt(resolve(k), k) - 1];
}
const Panel& StatusBarControl::panel(const Variant& k) const {
  return panels_[foundAt(resolve(k), k) - 1];
}

const Panel& StatusBarControl::addPanel(Panel p) {
  panels_.push_back(std::move(p));
  layoutPanels();
  notifyPanels();
  return panels_.back();
}

void StatusBarControl::notifyPanels(std::optional<size_t> textAt) {
  // An observer may change the bar while it is told: each notification sees its own.
  struct Restore {
    std::optional<size_t>& field;
    std::optional<size_t> before;
    ~Restore() { field = before; }
  } restore{newTextAt_, newTextAt_};
  newTextAt_ = textAt;
  notify("Panels");
}

void StatusBarControl::setPanelText(const Variant& k, std::string_view text) {
  const int32_t pos = foundAt(resolve(k), k);
  std::string& shown = panels_[pos - 1].text;
  if (shown == text) return;
  shown.assign(text);  // in the text's own storage: a text that changes often allocates nothing
  notifyPanels(static_cast<size_t>(pos - 1));
}
void StatusBarControl::setPanelToolTip(const Variant& k, std::string text) {
  if (replaced(panelAt(k).toolTipText, std::move(text))) notifyPanels();
}
void StatusBarControl::setPanelPicture(const Variant& k, Picture picture) {
  if (replaced(panelAt(k).picture, std::move(picture))) notifyPanels();
}
void StatusBarControl::setPanelWidth(const Variant& k, float width) {
  Panel& p = panelAt(k);
  p.width = std::max(width, p.minWidth);
  layoutPanels();
  notifyPanels();
}

void StatusBarControl::alignToForm() {
  if (getProperty("Align").toInteger() != 2) return;
  float h = height();
  float top = std::max(0.0f, form().scaleHeight() - h);
  // Panels first, so that observers told of the new width see panels that fit it.
  float width = form().scaleWidth();
  layoutPanelsTo(width);
  store("Left", Variant(0.0f));
  store("Top", Variant(top));
  store("Width", Variant(width));
}

void StatusBarControl::layoutPanels() {
  layoutPanelsTo(width());
}

void StatusBarControl::layoutPanelsTo(float total) {
  float fixed = 0;
  int springs = 0;
  for (const Panel& p : panels_) {
    if (!p.visible) continue;
    if (p.autoSize == "spring")
      ++springs;
    else
      fixed += p.width;
  }
  float share = springs ? std::max(0.0f, (total - fixed) / static_cast<float>(springs)) : 0.0f;
  float x = 0;
  for (Panel& p : panels_) {
    if (!p.visible) continue;
    if (p.autoSize == "spring") p.width = std::max(share, p.minWidth);
    p.left = x;
    x += p.width;
  }
}

Variant StatusBarControl::evalPath(std::string_view path) const {
  PathSegment s = splitControlPath(path);
  if (equalsNoCase(s.name, "Panels")) {
    if (!s.arg) {
      if (equalsNoCase(s.rest, "Count")) return Variant(static_cast<int32_t>(panels_.size()));
      noPath(*this, path);
    }
    const Panel& p = panel(pathArg(*s.arg));
    const std::string& f = s.rest;
    if (f.empty() || equalsNoCase(f, "Text")) return Variant(p.text);
    if (equalsNoCase(f, "Key")) return Variant(p.key);
    if (equalsNoCase(f, "ToolTipText")) return Variant(p.toolTipText);
    if (equalsNoCase(f, "Width")) return Variant(p.width);
    if (equalsNoCase(f, "MinWidth")) return Variant(p.minWidth);
    if (equalsNoCase(f, "Left")) return Variant(p.left);
    if (equalsNoCase(f, "Visible")) return Variant(p.visible);
    if (equalsNoCase(f, "Picture")) return Variant(p.picture.source);
    if (equalsNoCase(f, "Style")) return Variant(p.style);
    noPath(*this, path);
  }
  return Control::evalPath(path);
}

std::string StatusBarControl::extraJson() const {
  nlohmann::json list = nlohmann::json::array();
  for (const Panel& p : panels_)
    list.push_back({{"key", p.key},
                    {"text", p.text},
                    {"toolTipText", p.toolTipText},
                    {"style", p.style},
                    {"left", p.left},
                    {"width", p.width},
                    {"picture", p.picture.source}});
  return jsonText({{"panels", list}});
}

// ---------------------------------------------------------------- ImageList

ImageListControl::ImageListControl(Form& form, std::string name, int32_t index)
    : Control(form, ControlType::ImageList, std::move(name), index) {
  declare("ImageWidth", Variant(int16_t{16}));
  declare("ImageHeight", Variant(int16_t{16}));
  declare("MaskColor", Variant(int32_t{0xC0C0C0}));
  declare("Left", Variant(0.0f));
  declare("Top", Variant(0.0f));
}

void ImageListControl::addImage(ListImage image) {
  images_.push_back(std::move(image));
  notify("ListImages");
}

const ListImage* ImageListControl::image(const Variant& k) const {
  int32_t pos = resolveIn(images_, k, [](const ListImage& i) -> const std::string& { return i.key; });
  return pos ? &images_[pos - 1] : nullptr;
}

Variant ImageListControl::evalPath(std::string_view path) const {
  PathSegment s = splitControlPath(path);
  if (equalsNoCase(s.name, "ListImages")) {
    if (!s.arg) {
      if (equalsNoCase(s.rest, "Count")) return Variant(static_cast<int32_t>(images_.size()));
      noPath(*this, path);
    }
    const ListImage* i = image(pathArg(*s.arg));
    if (!i) platform::com::raise(err::InvalidPropertyValue, "Element not found");
    if (s.rest.empty() || equalsNoCase(s.rest, "Key")) return Variant(i->key);
    if (equalsNoCase(s.rest, "Picture")) return Variant(i->picture.source);
    noPath(*this, path);
  }
  return Control::evalPath(path);
}

std::string ImageListControl::extraJson() const {
  nlohmann::json imgs = nlohmann::json::array();
  for (const ListImage& i : images_) imgs.push_back({{"key", i.key}, {"picture", i.picture.source}});
  return jsonText({{"images", imgs}});
}

}  // namespace platform::ui
