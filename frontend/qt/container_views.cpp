// Frames, the tab strip and the status bar.

#include <QGroupBox>
#include <QPaintEvent>
#include <QPainter>
#include <QTabBar>
#include <algorithm>
#include <optional>

#include "frontend/qt/control_views.h"
#include "frontend/qt/display_widgets.h"
#include "frontend/qt/drawn_text.h"
#include "frontend/qt/qt_convert.h"

namespace frontend::qt {

using platform::com::Variant;
using platform::ui::Control;
using platform::ui::ControlType;

namespace {

// Pictures decoded once: the texts of panels and tabs change often, their pictures seldom.
// Holds those used in the last round of `use` calls, so that a picture no longer shown goes.
class PictureCache {
 public:
  // Starts a round: what is not used again in it is dropped at the next start.
  void startRound() {
    kept_.swap(round_);
    round_.clear();
  }
  QPixmap use(const platform::ui::Picture& picture) {
    if (picture.empty()) return {};
    auto same = [&](const Kept& k) { return k.picture == picture; };
    auto it = std::find_if(round_.begin(), round_.end(), same);
    if (it != round_.end()) return it->pixmap;
    it = std::find_if(kept_.begin(), kept_.end(), same);
    round_.push_back({picture, it != kept_.end() ? it->pixmap : pixmapFromPicture(picture)});
    return round_.back().pixmap;
  }

 private:
  struct Kept {
    platform::ui::Picture picture;
    QPixmap pixmap;
  };
  std::vector<Kept> kept_, round_;
};

// ================================================================ Frame

class FrameWidget : public QGroupBox {
 public:
  explicit FrameWidget(QWidget* parent) : QGroupBox(parent) { new DrawnControls(this); }
  bool borderless = false;
  bool seeThrough = false;  // in its container's colour: the container shows through

 protected:
  void paintEvent(QPaintEvent* e) override {
    if (!borderless) {
      QGroupBox::paintEvent(e);
    } else if (!autoFillBackground() && !seeThrough) {
      // A frame without border shows neither border nor caption: only its background.
      QPainter p(this);
      p.fillRect(rect(), palette().color(QPalette::Window));
    }
    QPainter p(this);
    DrawnControls::paintIn(this, p, e->rect());
  }
};

class FrameView : public WidgetView<FrameWidget> {
 public:
  using WidgetView::WidgetView;

 protected:
  void applyAll() override { applyEach({"Caption", "BorderStyle"}); }
  void applyColours() override {
    // A borderless frame in its container's colour is only a grouping: filled, it would stand
    // out as a lighter patch on a frame that shades its face.
    const Control* container = control_.container();
    w_->seeThrough = w_->borderless && container && container->hasProperty("BackColor") &&
                     oleColor(container->getProperty("BackColor").toLong()) == colourProp("BackColor");
    w_->setAutoFillBackground(!w_->seeThrough);
    applyColourRoles(w_, QPalette::Window, QPalette::WindowText);
  }
  bool apply(std::string_view what) override {
    if (is(what, "Caption")) {
      w_->setTitle(textProp("Caption"));
    } else if (is(what, "BorderStyle")) {
      w_->borderless = intProp("BorderStyle", 1) == 0;
      applyColours();
      w_->update();
    } else {
      return false;
    }
    return true;
  }
};

// ================================================================ TabStrip

class TabStripWidget : public QWidget {
 public:
  explicit TabStripWidget(QWidget* parent) : QWidget(parent), bar(new QTabBar(this)) {
    bar->setDrawBase(false);
    bar->setExpanding(false);
    bar->setUsesScrollButtons(true);
    bar->setElideMode(Qt::ElideNone);
  }
  QTabBar* bar;
  static int rowHeight() { return twipsToPx(platform::ui::TabStripControl::kTabRowHeight); }

 protected:
  void resizeEvent(QResizeEvent*) override { bar->setGeometry(0, 0, width(), rowHeight()); }
  void paintEvent(QPaintEvent*) override {
    // The page area below the tabs: a raised panel.
    QPainter p(this);
    QRect r(0, rowHeight() - 1, width() - 1, height() - rowHeight());
    p.fillRect(r, palette().color(QPalette::Window));
    p.setPen(palette().color(QPalette::Light));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(palette().color(QPalette::Dark));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
  }
};

class TabStripView : public WidgetView<TabStripWidget> {
 public:
  using WidgetView::WidgetView;

 protected:
  void made() override {
    QObject::connect(w_->bar, &QTabBar::currentChanged, this, [this](int i) {
      if (!updating_ && !detached_ && i >= 0) later([this, i] { userSelect(i); });
    });
    // A click on the selected tab is a click too.
    QObject::connect(w_->bar, &QTabBar::tabBarClicked, this, [this](int i) {
      if (!updating_ && !detached_ && i >= 0 && i == w_->bar->currentIndex())
        later([this, i] { userSelect(i); });
    });
  }
  void userSelect(int i) {
    auto* ts = dynamic_cast<platform::ui::TabStripControl*>(&control_);
    if (!ts || i >= ts->count()) return;
    // A click on a tab takes the focus from the field being edited: the edit is committed
    // while its page still shows (the bar leaves the focus alone, so this does it). An edit
    // the model refuses keeps the page, as leaving a field with a refused value does not
    // happen unnoticed: the field says why beside it and keeps the focus.
    const bool taken = owner_.finishInput();
    if (detached_) return;
    if (!taken) {
      apply("SelectedItem");  // the bar shows the page that stays
      return;
    }
    if (input("Click", [ts, i] { ts->form().userSelectTab(*ts, Variant(static_cast<int32_t>(i + 1))); }))
      apply("SelectedItem");
  }
  void applyAll() override { apply("Tabs"); }
  void applyColours() override { setRole(w_, QPalette::Window, colourProp("BackColor")); }
  bool apply(std::string_view what) override {
    auto* ts = dynamic_cast<platform::ui::TabStripControl*>(&control_);
    if (!ts) return false;
    if (is(what, "Tabs") || is(what, "ImageList")) {
      const platform::ui::ImageListControl* images = nullptr;
      std::string listName = utf8(textProp("ImageList"));
      if (!listName.empty())
        images = dynamic_cast<const platform::ui::ImageListControl*>(control_.form().findControl(listName));
      updating_ = true;
      QTabBar* bar = w_->bar;
      const std::vector<platform::ui::Tab>& tabs = ts->tabs();
      // A changed caption or tool tip is put on its tab; tabs that came or went are added or
      // removed alone.
      matchTabs(tabs);
      // Setting a tab's text or icon lays the bar out again: only what changed is set.
      pictures_.startRound();
      for (int i = 0; i < bar->count(); ++i) {
        const platform::ui::Tab& t = tabs[static_cast<size_t>(i)];
        if (bar->tabText(i) != qs(t.caption)) bar->setTabText(i, qs(t.caption));
        bar->setTabData(i, qs(t.key));
        bar->setTabToolTip(i, qs(t.toolTipText));
        bar->setTabEnabled(i, t.enabled);
        platform::ui::Picture picture;
        if (images && t.image > 0)
          if (const platform::ui::ListImage* li = images->image(Variant(t.image))) picture = li->picture;
        const QPixmap pixmap = pictures_.use(picture);
        platform::ui::Picture& shown = tabPictures_[static_cast<size_t>(i)];
        if (!(shown == picture) || (bar->tabIcon(i).isNull() != pixmap.isNull())) {
          bar->setTabIcon(i, pixmap.isNull() ? QIcon() : QIcon(pixmap));
          shown = picture;
        }
      }
      bar->setCurrentIndex(ts->selectedPosition() - 1);
      updating_ = false;
    } else if (is(what, "SelectedItem")) {
      updating_ = true;
      w_->bar->setCurrentIndex(ts->selectedPosition() - 1);
      updating_ = false;
    } else {
      return false;
    }
    return true;
  }

  // Brings the bar's tabs to those of the model, by key: each insertion or removal lays the
  // bar out again, so a tab that came or went is the only one touched. Without unique keys
  // the tabs are made anew.
  void matchTabs(const std::vector<platform::ui::Tab>& tabs) {
    QTabBar* bar = w_->bar;
    tabPictures_.resize(static_cast<size_t>(bar->count()));
    std::vector<QString> keys;
    for (const platform::ui::Tab& t : tabs) keys.push_back(qs(t.key));
    std::vector<QString> sorted = keys;
    std::sort(sorted.begin(), sorted.end());
    const bool unique = std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end() &&
                        (sorted.empty() || !sorted.front().isEmpty());
    if (!unique) {
      while (bar->count() > 0) bar->removeTab(bar->count() - 1);
      tabPictures_.clear();
    }
    for (int i = 0; i < static_cast<int>(keys.size()); ++i) {
      const QString& key = keys[static_cast<size_t>(i)];
      if (i < bar->count() && bar->tabData(i).toString() == key) continue;
      int later = -1;
      for (int j = i + 1; j < bar->count() && later < 0; ++j)
        if (bar->tabData(j).toString() == key) later = j;
      if (later >= 0) {
        // The tabs before it are gone.
        for (int k = later - 1; k >= i; --k) {
          bar->removeTab(k);
          tabPictures_.erase(tabPictures_.begin() + k);
        }
      } else {
        bar->insertTab(i, qs(tabs[static_cast<size_t>(i)].caption));
        bar->setTabData(i, key);
        tabPictures_.insert(tabPictures_.begin() + i, platform::ui::Picture{});
      }
    }
    while (bar->count() > static_cast<int>(keys.size())) {
      bar->removeTab(bar->count() - 1);
      tabPictures_.pop_back();
    }
  }

 private:
  bool updating_ = false;
  PictureCache pictures_;
  std::vector<platform::ui::Picture> tabPictures_;  // the picture each tab shows
};

// ================================================================ StatusBar

class StatusBarView : public WidgetView<StatusBarWidget> {
 public:
  StatusBarView(FormWindow& owner, Control& control)
      : WidgetView(owner, control), bar_(dynamic_cast<platform::ui::StatusBarControl*>(&control)) {}

 protected:
  void made() override {
    applied_.clear();
    laidOutWidth_ = -1;
  }
  void applyAll() override { applyEach({"Panels", "Style"}); }
  void applyColours() override { applyColourRoles(w_, QPalette::Window, QPalette::WindowText); }
  bool apply(std::string_view what) override {
    if (!bar_) return false;
    // The model tells "Panels" spelt so; any other spelling goes the long way.
    if (what == "Panels" && newTextAlone()) {
      // The one panel with a new text is the only change: the others keep what they show.
      const size_t i = *bar_->newTextAt();
      const std::string& text = bar_->panels()[i].text;
      if (applied_[i].text != text) {
        applied_[i].text = text;
        w_->setPanelText(i, text);
      }
    } else if (is(what, "Panels") || is(what, "Width")) {
      // The bar spreads its panels when it is sized, after it told of the new width.
      if (!laidOut(*bar_)) {
        bar_->layoutPanels();
        laidOutWidth_ = bar_->width();
      }
      applyPanels(bar_->panels());
      if (is(what, "Width")) return false;  // the geometry too
    } else if (is(what, "Style") || is(what, "SimpleText")) {
      w_->setSimpleText(intProp("Style") == 1, textProp("SimpleText"));
    } else {
      return false;
    }
    return true;
  }

 private:
  // True where the bar's width and what its panels are spread by are as when it was last
  // laid out: a new text leaves every panel in its place.
  bool laidOut(const platform::ui::StatusBarControl& sb) const {
    const std::vector<platform::ui::Panel>& model = sb.panels();
    if (sb.width() != laidOutWidth_ || model.size() != applied_.size()) return false;
    for (size_t i = 0; i < model.size(); ++i) {
      const platform::ui::Panel& a = applied_[i];
      const platform::ui::Panel& p = model[i];
      if (a.width != p.width || a.minWidth != p.minWidth || a.visible != p.visible ||
          a.autoSize != p.autoSize)
        return false;
    }
    return true;
  }
  // A panel's text changes often, the rest seldom: only the panels that changed are made
  // again, and a picture is decoded only when it is new to the bar.
  void applyPanels(const std::vector<platform::ui::Panel>& model) {
    const std::vector<PanelData>& shown = w_->panels();
    bool same = applied_.size() == model.size() && shown.size() == model.size();
    for (size_t i = 0; same && i < model.size(); ++i)
      same = applied_[i].left == model[i].left && applied_[i].width == model[i].width &&
             applied_[i].visible == model[i].visible;
    if (!same) {
      // Panels came, went or moved: the bar is laid out anew.
      std::vector<PanelData> panels(model.size());
      for (size_t i = 0; i < model.size(); ++i)
        panels[i] = panelData(model[i], i < applied_.size() && i < shown.size() ? &shown[i] : nullptr, i);
      applied_ = model;
      w_->setPanels(std::move(panels));
      return;
    }
    for (size_t i = 0; i < model.size(); ++i) {
      if (sameShown(applied_[i], model[i])) continue;
      PanelData d = panelData(model[i], &shown[i], i);
      applied_[i] = model[i];
      w_->setPanel(i, std::move(d));
    }
  }
  // What the bar shows of `p`; `was`, the panel shown in its place before, lends its picture
  // when that is the same.
  PanelData panelData(const platform::ui::Panel& p, const PanelData* was, size_t i) const {
    const platform::ui::Panel* before = was ? &applied_[i] : nullptr;
    PanelData d;
    d.key = before && before->key == p.key ? was->key : qs(p.key);
    d.text = qs(p.text);
    d.toolTip = before && before->toolTipText == p.toolTipText ? was->toolTip : qs(p.toolTipText);
    d.picture = p.style == "picture";
    d.pixmap = before && before->picture == p.picture ? was->pixmap : pixmapOf(p.picture);
    d.left = twipsToPx(p.left);
    d.width = twipsToPx(p.width);
    d.visible = p.visible;
    return d;
  }
  static bool sameShown(const platform::ui::Panel& a, const platform::ui::Panel& b) {
    return a.text == b.text && a.key == b.key && a.toolTipText == b.toolTipText && a.style == b.style &&
           a.left == b.left && a.width == b.width && a.visible == b.visible && a.picture == b.picture;
  }
  // The decoded picture: another panel's where it shows the same one.
  QPixmap pixmapOf(const platform::ui::Picture& picture) const {
    if (picture.empty()) return {};
    const std::vector<PanelData>& shown = w_->panels();
    for (size_t j = 0; j < applied_.size() && j < shown.size(); ++j)
      if (applied_[j].picture == picture && !shown[j].pixmap.isNull()) return shown[j].pixmap;
    return pixmapFromPicture(picture);
  }

  // True while the model tells of a new text of one panel alone, and the bar shows every
  // other change it told before: that panel is then all there is to apply.
  bool newTextAlone() const {
    const std::optional<size_t> at = bar_->newTextAt();
    return at && applied_.size() == bar_->panels().size() && w_->panels().size() == applied_.size() &&
           *at < applied_.size();
  }

  platform::ui::StatusBarControl* bar_;
  std::vector<platform::ui::Panel> applied_;  // the model's panels as the bar shows them
  float laidOutWidth_ = -1;                   // the bar's width when it last laid them out
};

}  // namespace

std::unique_ptr<ControlView> makeContainerView(FormWindow& owner, Control& control) {
  if (control.type() == ControlType::Frame) return std::make_unique<FrameView>(owner, control);
  if (control.type() == ControlType::TabStrip) return std::make_unique<TabStripView>(owner, control);
  return std::make_unique<StatusBarView>(owner, control);
}

}  // namespace frontend::qt
