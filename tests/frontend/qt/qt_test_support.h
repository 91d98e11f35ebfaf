#pragma once
// Test forms, a fake host control and helpers for the Qt front end's tests.
#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QImage>
#include <QKeyEvent>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frontend/qt/front_end.h"
#include "platform/com/dispatch.h"
#include "platform/ui/controls.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/form.h"
#include "platform/ui/services.h"

namespace vtest {

using platform::com::Variant;

// A PNG of one colour.
inline platform::ui::Picture solidPicture(const std::string& source, QColor colour, int w = 8, int h = 8) {
  QImage img(w, h, QImage::Format_ARGB32);
  img.fill(colour);
  QByteArray bytes;
  QBuffer buf(&bytes);
  buf.open(QIODevice::WriteOnly);
  img.save(&buf, "PNG");
  return platform::ui::pictureFromPng(source, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

// "file:red.png", "file:green.png", "file:blue.png".
class TestPictures : public platform::ui::PictureResolver {
 public:
  platform::ui::Picture resolve(const std::string& source) const override {
    if (source == "file:red.png") return solidPicture(source, QColor(255, 0, 0));
    if (source == "file:green.png") return solidPicture(source, QColor(0, 255, 0));
    if (source == "file:blue.png") return solidPicture(source, QColor(0, 0, 255));
    return {};
  }
  static const TestPictures& instance() {
    static TestPictures p;
    return p;
  }
};

// A stand-in for a host control: shows what the test puts into its snapshot and records
// what the user entered.
class FakeControl : public platform::ui::UserControlImpl {
 public:
  explicit FakeControl(std::string kind) : kind_(std::move(kind)) {}
  std::string kind() const override { return kind_; }
  int32_t idOfName(std::string_view name) const override {
    platform::com::raise(platform::com::err::NoSuchMember, std::string(name));
  }
  Variant invoke(int32_t, platform::com::InvokeKind, std::span<Variant>) override {
    platform::com::raise(platform::com::err::NoSuchMember);
  }
  std::vector<std::pair<std::string, Variant>> snapshot() const override {
    ++snapshots;
    return values_;
  }
  void userInput(std::string_view what, const Variant& value) override {
    inputs.emplace_back(std::string(what), value.toString());
    if (failInput) platform::com::raise(380, "Invalid property value");
    if (!refuseWith.empty()) {
      set("LastError", Variant(refuseWith));  // the host refuses and keeps its value
      return;
    }
    if (what == "text" || what == "select") set("Text", value);  // the host takes the value
    if (what == "text") set("LastError", Variant(""));
  }
  platform::ui::Picture picture() const override { return picture_; }
  // As a plotter does: hands over `plotSamples` as what is new, once set.
  bool samplesSince(uint64_t& mark, platform::ui::PlotSamples& out) const override {
    if (!plotSamples) return false;
    out = *plotSamples;
    mark = 1;
    return true;
  }

  // Sets a shown value and tells the front end.
  void set(const std::string& name, const Variant& v) {
    bool found = false;
    for (auto& [k, old] : values_)
      if (k == name) {
        old = v;
        found = true;
      }
    if (!found) values_.emplace_back(name, v);
    changed();
  }
  void setPicture(platform::ui::Picture p) {
    picture_ = std::move(p);
    changed("Picture");
  }

  std::vector<std::pair<std::string, std::string>> inputs;
  bool failInput = false;
  std::string refuseWith;  // non-empty: an edit is refused with this LastError
  mutable int snapshots = 0;
  std::optional<platform::ui::PlotSamples> plotSamples;

 private:
  std::string kind_;
  std::vector<std::pair<std::string, Variant>> values_;
  platform::ui::Picture picture_;
};

inline void registerFakeControls() {
  for (const char* kind :
       {"Text", "Combo", "LTU", "Digital", "Needle", "Bar", "Plotter", "Lamp", "Handler", "Odd"}) {
    std::string k = kind;
    platform::ui::UserControlRegistry::instance().add(
        "Test." + k, [k] { return platform::com::makeObject<FakeControl>(k); });
  }
}

inline FakeControl& fake(platform::ui::Form& f, const char* name) {
  return static_cast<FakeControl&>(f.ctlAs<platform::ui::UserControl>(name).impl());
}

// One of each kind of control. Every position is a whole number of pixels (15 twips).
inline const char* kMirrorDesign = R"({
  "form": {"name": "MirrorForm", "props": {"Caption": "Gerätedaten", "ClientWidth": 9000, "ClientHeight": 6750,
                                            "BackColor": "&H00C0C0C0&"}},
  "controls": [
    {"name": "MenuFile", "type": "Menu", "props": {"Caption": "&Datei"}},
    {"name": "MenuSave", "type": "Menu", "container": "MenuFile", "props": {"Caption": "&Speichern", "Checked": true}},
    {"name": "MenuSep", "type": "Menu", "container": "MenuFile", "props": {"Caption": "-"}},
    {"name": "Recent", "index": 0, "type": "Menu", "container": "MenuFile", "props": {"Caption": "Datei 0"}},
    {"name": "MenuExit", "type": "Menu", "container": "MenuFile", "props": {"Caption": "&Beenden"}},
    {"name": "PopupMenu", "type": "Menu", "props": {"Caption": "Popup", "Visible": false}},
    {"name": "PopupEntry", "index": 0, "type": "Menu", "container": "PopupMenu", "props": {"Caption": "Eintrag 0"}},
    {"name": "PopupEntry", "index": 1, "type": "Menu", "container": "PopupMenu", "props": {"Caption": "Eintrag 1"}},
    {"name": "Icons", "type": "ImageList", "images": [{"key": "red", "picture": "file:red.png"}]},
    {"name": "Tabs", "type": "TabStrip", "props": {"Left": 150, "Top": 150, "Width": 4500, "Height": 3000, "ImageList": "Icons"},
     "tabs": [{"key": "AKey", "caption": "Übertragung", "image": 1}, {"key": "BKey", "caption": "B"}]},
    {"name": "PageFrame", "type": "Frame", "props": {"Left": 300, "Top": 600, "Width": 4200, "Height": 2400, "Caption": "Gerätedaten"}},
    {"name": "Title", "type": "Label", "container": "PageFrame",
     "props": {"Left": 150, "Top": 300, "Width": 1500, "Height": 255, "Caption": "Übertragung"}},
    {"name": "Edit", "type": "TextBox", "container": "PageFrame",
     "props": {"Left": 1800, "Top": 300, "Width": 1500, "Height": 285, "Text": "abc"}},
    {"name": "Opt", "index": 0, "type": "OptionButton", "container": "PageFrame",
     "props": {"Left": 150, "Top": 750, "Width": 1500, "Height": 255, "Caption": "Eins", "Value": true}},
    {"name": "Opt", "index": 1, "type": "OptionButton", "container": "PageFrame",
     "props": {"Left": 150, "Top": 1050, "Width": 1500, "Height": 255, "Caption": "Zwei"}},
    {"name": "Check", "type": "CheckBox", "container": "PageFrame",
     "props": {"Left": 150, "Top": 1350, "Width": 1500, "Height": 255, "Caption": "Prüfen"}},
    {"name": "Notes", "type": "TextBox", "container": "PageFrame",
     "props": {"Left": 1800, "Top": 750, "Width": 2100, "Height": 1200, "MultiLine": true, "ScrollBars": 2, "Text": "a\r\nb"}},
    {"name": "Apply", "type": "CommandButton", "props": {"Left": 4800, "Top": 150, "Width": 1200, "Height": 375, "Caption": "&Übernehmen"}},
    {"name": "Picture", "type": "Image", "props": {"Left": 4800, "Top": 600, "Width": 480, "Height": 480, "Picture": "file:red.png", "Stretch": true}},
    {"name": "Box", "type": "Shape", "props": {"Left": 4800, "Top": 1200, "Width": 600, "Height": 450, "FillStyle": 0,
                                              "FillColor": "&H0000FF00&", "BorderColor": "&H000000FF&"}},
    {"name": "Rule", "type": "Line", "props": {"X1": 4800, "Y1": 1800, "X2": 6000, "Y2": 1800}},
    {"name": "Log", "type": "ListBox", "props": {"Left": 6300, "Top": 150, "Width": 2400, "Height": 1200}},
    {"name": "Choice", "type": "ComboBox", "props": {"Left": 6300, "Top": 1500, "Width": 2400, "Height": 315, "Style": 2}},
    {"name": "Tick", "type": "Timer", "props": {"Interval": 10, "Enabled": false}},
    {"name": "Dlg", "type": "CommonDialog"},
    {"name": "TagText", "type": "Tolvar4Text", "progId": "Test.Text", "props": {"Left": 4800, "Top": 2100, "Width": 1200, "Height": 285}},
    {"name": "Mode", "type": "Tolvar4Combo", "progId": "Test.Combo", "props": {"Left": 6300, "Top": 2100, "Width": 2400, "Height": 315}},
    {"name": "Flow", "type": "Tolvar4LabelTextUnit", "progId": "Test.LTU", "props": {"Left": 6300, "Top": 2550, "Width": 2400, "Height": 285}},
    {"name": "Needle", "type": "Tolvar4Needle", "progId": "Test.Needle", "props": {"Left": 150, "Top": 3300, "Width": 2400, "Height": 1800}},
    {"name": "Bar", "type": "Tolvar4BarGraph", "progId": "Test.Bar", "props": {"Left": 2700, "Top": 3300, "Width": 900, "Height": 1800}},
    {"name": "Digits", "type": "Tolvar4Digital", "progId": "Test.Digital", "props": {"Left": 3750, "Top": 3300, "Width": 1800, "Height": 600}},
    {"name": "Lamp", "type": "VEXAONOFF", "progId": "Test.Lamp", "props": {"Left": 3750, "Top": 4050, "Width": 480, "Height": 480}},
    {"name": "Odd", "type": "SomethingElse", "progId": "Test.Odd", "props": {"Left": 4350, "Top": 4050, "Width": 1200, "Height": 450}},
    {"name": "Trend", "type": "Tolvar4Plotter", "progId": "Test.Plotter", "props": {"Left": 5700, "Top": 3300, "Width": 3000, "Height": 1800}},
    {"name": "Handler", "type": "Tolvar4CtrlItemHandler", "progId": "Test.Handler"},
    {"name": "Status", "type": "StatusBar", "props": {"Height": 315},
     "panels": [{"key": "Comm", "width": 2400, "text": "getrennt", "toolTipText": "Verbindung"},
                {"key": "Pic", "style": "picture", "width": 600, "picture": "file:green.png"},
                {"key": "Rest", "autoSize": "spring"}]}
  ]
})";

// A form that records its own events.
class MirrorForm : public platform::ui::Form {
 public:
  explicit MirrorForm(const char* design = kMirrorDesign, std::string name = "MirrorForm")
      : Form(std::move(name), design, &TestPictures::instance()) {}
  std::vector<std::string> events;
  int16_t refuseClose = 0;
  std::function<void()> onResize;
  std::function<void()> onUnload;

 protected:
  void Form_QueryUnload(int16_t& Cancel, int16_t mode) override {
    events.push_back("QueryUnload" + std::to_string(mode));
    Cancel = refuseClose;
  }
  void Form_Unload(int16_t&) override {
    events.push_back("Unload");
    if (onUnload) onUnload();
  }
  void Form_Resize() override {
    events.push_back("Resize");
    if (onResize) onResize();
  }
  void Form_MouseUp(int16_t button, int16_t, float x, float y) override {
    events.push_back("MouseUp " + std::to_string(button) + " " + std::to_string(static_cast<int>(x)) + " " +
                     std::to_string(static_cast<int>(y)));
  }
};

// Lets Qt run what it deferred (zero-time timers, deferred deletions).
inline void settle() {
  for (int i = 0; i < 3; ++i) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

// Types `text` into `w`, a key press for each character.
inline void type(QWidget* w, const QString& text) {
  for (QChar ch : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
    QCoreApplication::sendEvent(w, &press);
  }
}

inline void key(QWidget* w, Qt::Key k) {
  QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &press);
}

// Runs Qt's event loop until `done` holds or about `limitMs` passed (a safety net for a
// test that would otherwise hang; the test then fails on its own assertions).
inline bool waitFor(const std::function<bool()>& done, int limitMs = 10000) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < limitMs) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(1);
  }
  return done();
}

// Calls `f` from inside whatever nested wait Qt runs once `ready` holds (or `limitMs`
// passed). The returned timer ends the watch when the test lets it go.
[[nodiscard]] inline std::unique_ptr<QTimer> whenReady(std::function<bool()> ready, std::function<void()> f,
                                                       int limitMs = 10000) {
  auto timer = std::make_unique<QTimer>();
  auto started = std::make_shared<QElapsedTimer>();
  started->start();
  QTimer* t = timer.get();
  QObject::connect(t, &QTimer::timeout, [t, started, ready = std::move(ready), f = std::move(f), limitMs] {
    if (!ready() && started->elapsed() < limitMs) return;
    t->stop();
    f();
  });
  t->start(5);
  return timer;
}

// Pixels of `img` inside `r` that satisfy `pred`.
inline int countPixels(const QImage& img, QRect r, const std::function<bool(QColor)>& pred) {
  r = r.intersected(img.rect());
  int n = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      if (pred(img.pixelColor(x, y))) ++n;
  return n;
}

inline bool near(QColor a, QColor b, int tolerance = 40) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

inline int distinctColours(const QImage& img) {
  std::map<QRgb, int> seen;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) seen[img.pixel(x, y)]++;
  return static_cast<int>(seen.size());
}

// The image of one widget as the window draws it: what was posted before the next frame
// (a host control's changes) has been shown.
inline QImage shot(QWidget* w) {
  QCoreApplication::sendPostedEvents();
  return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// A front end installed for one test, with the event loop on its manual clock.
// Where a control drawn by its container (a label) stands in `to`, an ancestor of the widget
// that draws it; empty while it is hidden or drawn nowhere.
inline QRect shownIn(const frontend::qt::ShownText& t, const QWidget* to) {
  if (!t.in || t.area.isEmpty()) return {};
  return QRect(t.in->mapTo(to, t.area.topLeft()), t.area.size());
}

// What the user sees of a control drawn by its container: that part of the container's picture.
inline QImage shot(const frontend::qt::ShownText& t) {
  return t.in && !t.area.isEmpty() ? shot(t.in).copy(t.area) : QImage();
}

class FrontEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    registerFakeControls();
    platform::ui::EventLoop::instance().useManualClock();
    platform::ui::EventLoop::instance().clearErrors();
    platform::ui::Services::installHeadless();
    platform::ui::Services::headless().reset();
    frontEnd.install(mode());
  }
  void TearDown() override {
    // A shown window lives until it is unloaded: the test's windows close as an application's
    // do at its end.
    for (platform::ui::Form* f : platform::ui::allForms())
      if (f->isLoaded()) f->unload(platform::ui::kUnloadAppWindows);
    frontEnd.uninstall();
    settle();
    platform::ui::Services::installHeadless();
    platform::ui::Services::headless().reset();
    platform::ui::EventLoop::instance().useManualClock();
    platform::ui::EventLoop::instance().clearErrors();
  }
  virtual frontend::qt::FrontEnd::Mode mode() const { return frontend::qt::FrontEnd::Mode::WindowsOnly; }

  // A shown test form.
  platform::com::Ptr<MirrorForm> openForm(const char* design = kMirrorDesign) {
    auto f = platform::com::makeObject<MirrorForm>(design);
    f->show();
    settle();
    return f;
  }
  template <class W>
  W* widgetAs(const platform::ui::Control& c) {
    return dynamic_cast<W*>(frontEnd.widget(c));
  }
  // What a label shows, drawn by its container's widget.
  frontend::qt::ShownText caption(const platform::ui::Control& c) const { return frontEnd.drawnLook(c); }

  frontend::qt::FrontEnd frontEnd;
};

class FrontEndWithServicesTest : public FrontEndTest {
 protected:
  frontend::qt::FrontEnd::Mode mode() const override {
    return frontend::qt::FrontEnd::Mode::WindowsAndServices;
  }
};

}  // namespace vtest
