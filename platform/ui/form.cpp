#include "platform/ui/form.h"

#include <algorithm>

#include "platform/ui/design.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/services.h"

namespace platform::ui {

using platform::com::equalsNoCase;
namespace err = platform::com::err;

namespace {
constexpr int32_t kObjectUnloaded = 364;
constexpr int32_t kCannotSizeWhileMinMax = 384;
constexpr int32_t kObjectAlreadyLoaded = 360;
constexpr int32_t kCannotUnloadDesignMember = 362;

std::vector<Form*>& registry() {
  static std::vector<Form*> forms;
  return forms;
}

std::string handlerKey(std::string_view control, std::string_view event) {
  std::string k(control);
  k += '.';
  k += event;
  return k;
}
}  // namespace

std::vector<Form*> allForms() {
  return registry();
}

namespace {
std::vector<GlobalFormObserver*>& globalObservers() {
  static std::vector<GlobalFormObserver*> v;
  return v;
}
}  // namespace

void addGlobalFormObserver(GlobalFormObserver* o) {
  globalObservers().push_back(o);
}
void removeGlobalFormObserver(GlobalFormObserver* o) {
  auto& v = globalObservers();
  v.erase(std::remove(v.begin(), v.end(), o), v.end());
}

Form::Form(std::string name, std::string designJson, const PictureResolver* pictures,
           platform::com::LiveCount* liveCount)
    : Control(*this, ControlType::Form, std::move(name), -1),
      Unknown(liveCount),
      designJson_(std::move(designJson)),
      pictures_(pictures) {
  declare("Caption", Variant(std::string()));
  declare("Left", Variant(0.0f));
  declare("Top", Variant(0.0f));
  declare("Width", Variant(4800.0f));
  declare("Height", Variant(3600.0f));
  declare("Visible", Variant(false));
  declare("Enabled", Variant(true));
  declare("WindowState", Variant(kNormal));
  declare("MousePointer", Variant(kDefaultPointer));
  declare("BorderStyle", Variant(int16_t{2}));
  declare("BackColor", Variant(static_cast<int32_t>(0x8000000Fu)));
  declare("ForeColor", Variant(static_cast<int32_t>(0x80000012u)));
  declare("FontName", Variant(std::string("MS Sans Serif")));
  declare("FontSize", Variant(8.25f));
  declare("FontBold", Variant(false));
  declare("Icon", Variant(std::string()));
  declare("KeyPreview", Variant(false));
  declare("MinButton", Variant(true));
  declare("MaxButton", Variant(true));
  declare("ControlBox", Variant(true));
  declare("StartUpPosition", Variant(int16_t{0}));
  declare("HelpContextID", Variant(int32_t{0}));
  declare("ScaleMode", Variant(int16_t{1}));
  declare("ShowInTaskbar", Variant(true));
  declare("ClientWidth", Variant(0.0f));
  declare("ClientHeight", Variant(0.0f));
  registry().push_back(this);
  for (GlobalFormObserver* o : globalObservers()) {
    formObservers_.push_back(o);
    o->formCreated(*this);
  }
}

Form::~Form() {
  for (FormObserver* o : std::vector<FormObserver*>(formObservers_)) o->formDestroyed(*this);
  for (auto& c : controls_) c->detach();
  auto& r = registry();
  r.erase(std::remove(r.begin(), r.end(), this), r.end());
}

void Form::addFormObserver(FormObserver* o) {
  formObservers_.push_back(o);
}
void Form::removeFormObserver(FormObserver* o) {
  formObservers_.erase(std::remove(formObservers_.begin(), formObservers_.end(), o), formObservers_.end());
}

// ---------------------------------------------------------------- life cycle

void Form::ensureLoaded() {
  if (loaded_) return;
  if (unloaded_) platform::com::raise(kObjectUnloaded, "Form '" + name() + "' was unloaded");
  load();
}

void Form::load() {
  if (loaded_) return;
  platform::com::Ptr<Form> keep(this);
  if (!design_) {
    design_ = sharedDesign(designJson_);
    std::string().swap(designJson_);  // the shared design holds what the window needs
  }
  loaded_ = true;
  ++loadCount_;
  loading_ = true;
  unloaded_ = false;
  graveyard_.clear();
  struct Done {
    bool& f;
    ~Done() { f = false; }
  } done{loading_};
  // Design values take effect without events, as a window created from its design does.
  for (auto& [k, v] : design_->formProps) {
    if (equalsNoCase(k, "ClientWidth")) {
      store("Width", Variant(static_cast<float>(v.toDouble() + 2 * kBorderTwips)));
    } else if (equalsNoCase(k, "ClientHeight")) {
      // the menu bar is not known yet; fixed up below
      store("ClientHeight", Variant(static_cast<float>(v.toDouble())));
    } else if (equalsNoCase(k, "Visible")) {
      continue;
    } else {
      std::optional<Variant> cur = find(k);
      if (!cur) platform::com::raise(err::NoSuchMember, "Form '" + name() + "' has no property '" + k + "'");
      store(k, coerceLike(*cur, designValue(v)));
    }
  }
  createControls();
  if (float ch = getProperty("ClientHeight").toSingle(); ch > 0) {
    float nonClient = kCaptionTwips + 2 * kBorderTwips + (hasMenuBar() ? kMenuBarTwips : 0.0f);
    store("Height", Variant(ch + nonClient));
  }
  for (auto& c : controls_)
    if (auto* sb = dynamic_cast<StatusBarControl*>(c.get())) sb->alignToForm();
  for (FormObserver* o : std::vector<FormObserver*>(formObservers_)) o->formLoaded(*this);
  Form_Load();
}

bool Form::unload(int16_t mode) {
  // A close that arrives while the query-unload handler waits (a question is open) is refused:
  // the first close decides. One that arrives during the unload itself is already done.
  if (loaded_ && querying_) return false;
  if (!loaded_ || unloading_) return true;
  platform::com::Ptr<Form> keep(this);
  unloading_ = true;
  struct Done {
    bool& f;
    ~Done() { f = false; }
  } done{unloading_};
  int16_t cancel = 0;
  querying_ = true;
  {
    struct Asked {
      bool& f;
      ~Asked() { f = false; }
    } asked{querying_};
    Form_QueryUnload(cancel, mode);
  }
  if (cancel) return false;
  Form_Unload(cancel);
  if (cancel) return false;
  if (getProperty("Visible").toBool()) {
    store("Visible", Variant(false));
    for (FormObserver* o : std::vector<FormObserver*>(formObservers_)) o->formHidden(*this);
  }
  for (FormObserver* o : std::vector<FormObserver*>(formObservers_)) o->formUnloading(*this);
  destroyControls();
  loaded_ = false;
  unloaded_ = true;
  modal_ = false;
  if (keptWhileLoaded_) {
    keptWhileLoaded_ = false;
    Release();  // `keep` still holds the form until this call returns
  }
  return true;
}

void Form::destroyControls() {
  for (auto& c : controls_) c->detach();
  byName_.clear();
  for (auto& c : controls_) graveyard_.push_back(std::move(c));
  controls_.clear();
  // Detach the tree so that nothing points into unloaded controls from the form.
  for (const auto& c : graveyard_) {
    c->container_ = nullptr;
    c->children_.clear();
  }
  children_.clear();
}

void Form::show(bool modal) {
  ensureLoaded();
  platform::com::Ptr<Form> keep(this);
  if (!keptWhileLoaded_) {
    keptWhileLoaded_ = true;
    AddRef();
  }
  modal_ = modal;
  if (!getProperty("Visible").toBool()) store("Visible", Variant(true));
  for (FormObserver* o : std::vector<FormObserver*>(formObservers_)) o->formShown(*this, modal);
  Form_Activate();
  if (modal) Services::interaction().runModal(*this);
}

void Form::hide() {
  if (!loaded_) return;
  if (getProperty("Visible").toBool()) {
    store("Visible", Variant(false));
    for (FormObserver* o : std::vector<FormObserver*>(formObservers_)) o->formHidden(*this);
  }
  modal_ = false;
}

// ---------------------------------------------------------------- controls

Control& Form::createControl(const DesignControl& dc) {
  std::unique_ptr<Control> c;
  if (!dc.progId.empty()) {
    auto impl = UserControlRegistry::instance().create(dc.progId);
    c = std::make_unique<UserControl>(*this, dc.type, dc.progId, dc.name, dc.index, std::move(impl));
  } else {
    switch (controlTypeFromName(dc.type)) {
      case ControlType::Timer:
        c = std::make_unique<TimerControl>(*this, dc.name, dc.index);
        break;
      case ControlType::Menu:
        c = std::make_unique<MenuControl>(*this, dc.name, dc.index);
        break;
      case ControlType::TabStrip:
        c = std::make_unique<TabStripControl>(*this, dc.name, dc.index);
        break;
      case ControlType::StatusBar:
        c = std::make_unique<StatusBarControl>(*this, dc.name, dc.index);
        break;
      case ControlType::ImageList:
        c = std::make_unique<ImageListControl>(*this, dc.name, dc.index);
        break;
      case ControlType::ListBox:
        c = std::make_unique<ListBoxControl>(*this, ControlType::ListBox, dc.name, dc.index);
        break;
      case ControlType::ComboBox:
        c = std::make_unique<ListBoxControl>(*this, ControlType::ComboBox, dc.name, dc.index);
        break;
      case ControlType::CommonDialog:
        c = std::make_unique<CommonDialogControl>(*this, dc.name, dc.index);
        break;
      case ControlType::Form:
      case ControlType::User:
        platform::com::raise(err::InvalidPropertyValue, "Control '" + dc.name + "' has no usable type");
      default:
        c = std::make_unique<BasicControl>(*this, controlTypeFromName(dc.type), dc.name, dc.index);
        break;
    }
  }
  auto& slot = byName_[dc.name];
  if (slot.count(dc.index))
    platform::com::raise(err::InvalidPropertyValue,
                         "Control '" + c->qualifiedName() + "' stands twice in the design");
  Control* container = this;
  if (!dc.container.empty()) {
    container = findControl(dc.container, dc.containerIndex);
    if (!container)
      platform::com::raise(err::InvalidPropertyValue, "Container '" + dc.container + "' of '" +
                                                          c->qualifiedName() + "' is not defined before it");
  }
  Control* raw = c.get();
  raw->setContainer(container);
  slot[dc.index] = raw;
  controls_.push_back(std::move(c));
  for (auto& [k, v] : dc.props) raw->setProperty(k, designValue(v));
  if (auto* ts = dynamic_cast<TabStripControl*>(raw)) {
    for (const Tab& t : dc.tabs) {
      Tab& added = ts->add(0, t.key, t.caption, t.image);
      added.tag = t.tag;
      added.toolTipText = t.toolTipText;
    }
  } else if (auto* sb = dynamic_cast<StatusBarControl*>(raw)) {
    for (size_t i = 0; i < dc.panels.size(); ++i) {
      Panel p = dc.panels[i];
      if (!dc.panelPictures[i].empty() && pictures_) p.picture = pictures_->resolve(dc.panelPictures[i]);
      sb->addPanel(std::move(p));
    }
  } else if (auto* il = dynamic_cast<ImageListControl*>(raw)) {
    for (auto& [key, source] : dc.images) {
      ListImage li;
      li.key = key;
      if (pictures_) li.picture = pictures_->resolve(source);
      if (li.picture.empty()) platform::com::raise(err::InvalidPicture, "No picture '" + source + "'");
      il->addImage(std::move(li));
    }
  }
  return *raw;
}

void Form::createControls() {
  suppressEvents_ = true;
  struct Done {
    bool& f;
    ~Done() { f = false; }
  } done{suppressEvents_};
  for (const DesignControl& dc : design_->controls) createControl(dc);
}

Control* Form::findControl(std::string_view name, int32_t index) const {
  auto it = byName_.find(name);
  if (it == byName_.end()) return nullptr;
  auto m = it->second.find(index);
  return m == it->second.end() ? nullptr : m->second;
}

Control& Form::ctl(std::string_view name, int32_t index) {
  ensureLoaded();
  // cppcheck-suppress constVariable ; handed out as the mutable control it is
  if (Control* c = findControl(name, index)) return *c;
  auto it = byName_.find(name);
  if (it != byName_.end())
    platform::com::raise(
        err::ControlArrayElementMissing,
        "Control array element '" + std::string(name) + "(" + std::to_string(index) + ")' doesn't exist");
  platform::com::raise(err::NoSuchMember,
                       "Form '" + this->name() + "' has no control '" + std::string(name) + "'");
}

std::vector<Control*> Form::controlArray(std::string_view name) const {
  std::vector<Control*> out;
  auto it = byName_.find(name);
  if (it == byName_.end()) return out;
  for (auto& [i, c] : it->second) out.push_back(c);
  return out;
}

std::vector<int32_t> Form::arrayIndices(std::string_view name) const {
  std::vector<int32_t> out;
  auto it = byName_.find(name);
  if (it == byName_.end()) return out;
  for (auto& [i, c] : it->second) out.push_back(i);
  return out;
}

Control& Form::loadControl(std::string_view name, int32_t index) {
  ensureLoaded();
  auto it = byName_.find(name);
  if (it == byName_.end() || it->second.empty() || it->second.begin()->first < 0)
    platform::com::raise(err::NoSuchMember, "'" + std::string(name) + "' is not a control array");
  if (index < 0 || index > 32767) platform::com::raise(err::InvalidPropertyValue, "Bad control array index");
  if (it->second.count(index))
    platform::com::raise(kObjectAlreadyLoaded,
                         "Object already loaded: " + std::string(name) + "(" + std::to_string(index) + ")");
  Control* model = it->second.begin()->second;
  std::unique_ptr<Control> c;
  if (auto* uc = dynamic_cast<UserControl*>(model)) {
    c = std::make_unique<UserControl>(*this, uc->typeName(), uc->progId(), model->name(), index,
                                      UserControlRegistry::instance().create(uc->progId()));
  } else {
    switch (model->type()) {
      case ControlType::Menu:
        c = std::make_unique<MenuControl>(*this, model->name(), index);
        break;
      case ControlType::Timer:
        c = std::make_unique<TimerControl>(*this, model->name(), index);
        break;
      case ControlType::ListBox:
      case ControlType::ComboBox:
        c = std::make_unique<ListBoxControl>(*this, model->type(), model->name(), index);
        break;
      case ControlType::Label:
      case ControlType::Frame:
      case ControlType::TextBox:
      case ControlType::CommandButton:
      case ControlType::OptionButton:
      case ControlType::CheckBox:
      case ControlType::Image:
      case ControlType::PictureBox:
      case ControlType::Shape:
      case ControlType::Line:
        c = std::make_unique<BasicControl>(*this, model->type(), model->name(), index);
        break;
      default:
        platform::com::raise(err::InvalidPropertyValue, "Cannot load a new '" + std::string(name) + "'");
    }
  }
  Control* raw = c.get();
  raw->setContainer(model->container());
  for (auto& [k, v] : model->Control::properties()) {
    if (equalsNoCase(k, "Name") || equalsNoCase(k, "Index")) continue;
    raw->store(k, v);
  }
  // New members start hidden, except menu entries, which take their model's visibility.
  if (model->type() != ControlType::Menu && raw->hasProperty("Visible"))
    raw->store("Visible", Variant(false));
  if (auto* t = dynamic_cast<TimerControl*>(raw)) t->setProperty("Enabled", t->getProperty("Enabled"));
  it->second[index] = raw;
  controls_.push_back(std::move(c));
  runtimeLoaded_.insert(raw);
  for (FormObserver* o : std::vector<FormObserver*>(formObservers_)) o->controlAdded(*this, *raw);
  return *raw;
}

void Form::unloadControl(std::string_view name, int32_t index) {
  ensureLoaded();
  Control* c = findControl(name, index);
  if (!c) platform::com::raise(err::ControlArrayElementMissing);
  if (!runtimeLoaded_.count(c))
    platform::com::raise(kCannotUnloadDesignMember, "Can't unload controls created at design time");
  for (FormObserver* o : std::vector<FormObserver*>(formObservers_)) o->controlRemoved(*this, *c);
  c->detach();
  if (c->container()) c->setContainer(nullptr);
  byName_[std::string(name)].erase(index);
  runtimeLoaded_.erase(c);
  auto it = std::find_if(controls_.begin(), controls_.end(), [&](auto& p) { return p.get() == c; });
  graveyard_.push_back(std::move(*it));
  controls_.erase(it);
}

// ---------------------------------------------------------------- geometry

bool Form::hasMenuBar() const {
  for (Control* c : children_)
    if (c->type() == ControlType::Menu) return true;
  return false;
}

float Form::scaleWidth() const {
  if (windowState() == kMinimized) return 0;
  return std::max(0.0f, getProperty("Width").toSingle() - 2 * kBorderTwips);
}

float Form::scaleHeight() const {
  if (windowState() == kMinimized) return 0;
  float nonClient = kCaptionTwips + 2 * kBorderTwips + (hasMenuBar() ? kMenuBarTwips : 0.0f);
  return std::max(0.0f, getProperty("Height").toSingle() - nonClient);
}

Variant Form::getProperty(std::string_view name) const {
  if (equalsNoCase(name, "ScaleWidth")) return Variant(scaleWidth());
  if (equalsNoCase(name, "ScaleHeight")) return Variant(scaleHeight());
  if (equalsNoCase(name, "ScaleLeft") || equalsNoCase(name, "ScaleTop")) return Variant(0.0f);
  return Control::getProperty(name);
}

void Form::setProperty(std::string_view name, const Variant& value) {
  if (equalsNoCase(name, "Width") || equalsNoCase(name, "Height")) {
    if (windowState() != kNormal)
      platform::com::raise(kCannotSizeWhileMinMax,
                           "A form can't be moved or sized while minimized or maximized");
    float v = coerceLike(Variant(0.0f), value).toSingle();
    v = std::max(v, 0.0f);
    float before = getProperty(name).toSingle();
    if (v == before) return;
    store(name, Variant(v));
    if (loaded_) raiseResize();
    return;
  }
  if (equalsNoCase(name, "WindowState")) {
    int16_t s = value.toInteger();
    if (s < 0 || s > 2) platform::com::raise(err::InvalidPropertyValue);
    if (s == windowState()) return;
    changeWindowState(s);
    if (loaded_) raiseResize();
    return;
  }
  if (equalsNoCase(name, "Visible")) {
    if (value.toBool())
      show(false);
    else
      hide();
    return;
  }
  if (equalsNoCase(name, "ScaleWidth") || equalsNoCase(name, "ScaleHeight"))
    platform::com::raise(err::InvalidPropertyValue, "The client size follows the window size");
  Control::setProperty(name, value);
}

void Form::raiseResize() {
  if (resizeDepth_ > 32) platform::com::raise(28, "Out of stack space");
  ++resizeDepth_;
  struct Dec {
    int& d;
    ~Dec() { --d; }
  } dec{resizeDepth_};
  for (auto& c : controls_)
    if (auto* sb = dynamic_cast<StatusBarControl*>(c.get())) sb->alignToForm();
  Form_Resize();
}

// ---------------------------------------------------------------- events

void Form::on(std::string_view controlName, std::string_view event, Handler handler) {
  handlers_.insert_or_assign(handlerKey(controlName, event),
                             std::make_shared<const Handler>(std::move(handler)));
  ++handlersGeneration_;
}

void Form::on(std::string_view controlName, std::string_view event, std::function<void()> handler) {
  on(controlName, event, Handler([h = std::move(handler)](EventArgs&) { h(); }));
}

bool Form::hasHandler(std::string_view controlName, std::string_view event) const {
  return handlers_.count(handlerKey(controlName, event)) != 0;
}

void Form::raiseEvent(Control& control, std::string_view event, EventArgs& args) {
  if (&control == this) {
    if (equalsNoCase(event, "Resize"))
      raiseResize();
    else if (equalsNoCase(event, "MouseUp"))
      Form_MouseUp(args.button, args.shift, args.x, args.y);
    else if (equalsNoCase(event, "Activate"))
      Form_Activate();
    return;
  }
  if (suppressEvents_) return;  // design values are applied without events
  auto it = handlers_.find(handlerKey(control.name(), event));
  if (it == handlers_.end()) return;
  args.index = control.index();
  platform::com::Ptr<Form> keep(this);
  const std::shared_ptr<const Handler> h = it->second;  // the handler may replace itself
  (*h)(args);
}

void Form::raiseEvent(Control& control, std::string_view event, EventArgs& args, EventHandlerCache& cache) {
  if (&control == this || suppressEvents_) {
    raiseEvent(control, event, args);
    return;
  }
  // Building the key and searching the case-insensitive map cost more than a short handler.
  if (cache.generation != handlersGeneration_) {
    auto it = handlers_.find(handlerKey(control.name(), event));
    cache.handler = it == handlers_.end() ? nullptr : &it->second;
    cache.generation = handlersGeneration_;
  }
  if (!cache.handler) return;
  args.index = control.index();
  platform::com::Ptr<Form> keep(this);
  const std::shared_ptr<const Handler> h = *cache.handler;  // the handler may replace itself
  (*h)(args);
}

template <class F>
bool Form::boundary(std::string_view where, F&& f) {
  platform::com::Ptr<Form> keep(this);
  EventLoop::instance().runReported(name() + "." + std::string(where), f);
  EventLoop::instance().drainPosted();
  return true;
}

namespace {
bool takesInput(const Control& c) {
  if (c.type() == ControlType::Menu) {
    // A hidden top-level menu still serves as a popup menu, so only its entries' own
    // visibility counts; every level must be enabled.
    for (const Control* m = &c; m && m->type() == ControlType::Menu; m = m->container()) {
      if (!m->getProperty("Enabled").toBool()) return false;
      bool topLevel = m->container() == &m->form();
      if (!topLevel && !m->getProperty("Visible").toBool()) return false;
    }
    return true;
  }
  for (const Control* m = &c; m; m = m->container())
    if (m->hasProperty("Enabled") && !m->getProperty("Enabled").toBool()) return false;
  return c.effectivelyVisible();
}
}  // namespace

bool Form::userClick(Control& control) {
  if (!loaded_ || !takesInput(control)) return false;
  return boundary(control.qualifiedName() + "_Click", [&] {
    switch (control.type()) {
      case ControlType::OptionButton:
        if (control.getProperty("Value").toBool())
          control.raise("Click");
        else
          control.setProperty("Value", Variant(true));
        break;
      case ControlType::CheckBox:
        control.setProperty("Value", Variant(int16_t(control.getProperty("Value").toInteger() == 1 ? 0 : 1)));
        break;
      default:
        control.raise("Click");
    }
  });
}

bool Form::userDblClick(Control& control) {
  if (!loaded_ || !takesInput(control)) return false;
  return boundary(control.qualifiedName() + "_DblClick", [&] { control.raise("DblClick"); });
}

bool Form::userMouseUp(Control& control, int16_t button, float x, float y) {
  if (!loaded_) return false;
  if (&control != this && !takesInput(control)) return false;
  return boundary(control.qualifiedName() + "_MouseUp", [&] {
    EventArgs a;
    a.button = button;
    a.x = x;
    a.y = y;
    if (&control == this)
      Form_MouseUp(button, 0, x, y);
    else
      control.raise("MouseUp", a);
  });
}

bool Form::userText(Control& control, std::string_view text) {
  if (!loaded_ || !takesInput(control)) return false;
  if (auto* uc = dynamic_cast<UserControl*>(&control)) {
    return boundary(control.qualifiedName() + "_Input", [&] { uc->impl().userInput("text", Variant(text)); });
  }
  if (control.hasProperty("Locked") && control.getProperty("Locked").toBool()) return false;
  if (!control.hasProperty("Text")) return false;
  return boundary(control.qualifiedName() + "_Change", [&] { control.setProperty("Text", Variant(text)); });
}

bool Form::userSelectTab(TabStripControl& tabs, const Variant& keyOrPosition) {
  if (!loaded_ || !takesInput(tabs)) return false;
  return boundary(tabs.qualifiedName() + "_Click", [&] { tabs.select(keyOrPosition); });
}

void Form::changeWindowState(int16_t s) {
  const int16_t before = windowState();
  if (before == kNormal) {
    restoreWidth_ = getProperty("Width").toSingle();
    restoreHeight_ = getProperty("Height").toSingle();
    haveRestoreSize_ = true;
  }
  if (s == kMaximized) {
    // The state first, so that whoever mirrors the window does not size it to the large size.
    store("WindowState", Variant(s));
    store("Width", Variant(maximizedWidth_ > 0 ? maximizedWidth_ : Screen::width()));
    store("Height", Variant(maximizedHeight_ > 0 ? maximizedHeight_ : Screen::height()));
  } else if (s == kNormal && haveRestoreSize_) {
    // The size first, so that the restored window takes it at once.
    store("Width", Variant(restoreWidth_));
    store("Height", Variant(restoreHeight_));
    store("WindowState", Variant(s));
  } else {
    store("WindowState", Variant(s));
  }
}

bool Form::userMaximizedSize(float width, float height) {
  width = std::max(0.0f, width);
  height = std::max(0.0f, height);
  if (width == maximizedWidth_ && height == maximizedHeight_) return true;
  maximizedWidth_ = width;
  maximizedHeight_ = height;
  if (!loaded_ || windowState() != kMaximized) return true;
  return boundary("Form_Resize", [&] {
    store("Width", Variant(width));
    store("Height", Variant(height));
    raiseResize();
  });
}

bool Form::userResize(float width, float height) {
  if (!loaded_) return false;
  return boundary("Form_Resize", [&] {
    if (windowState() != kNormal) store("WindowState", Variant(kNormal));
    store("Width", Variant(std::max(0.0f, width)));
    store("Height", Variant(std::max(0.0f, height)));
    raiseResize();
  });
}

void Form::popupMenu(MenuControl& menu) {
  for (FormObserver* o : std::vector<FormObserver*>(formObservers_)) o->popupMenu(*this, menu);
  Services::interaction().popupMenu(*this, menu);
}

}  // namespace platform::ui
