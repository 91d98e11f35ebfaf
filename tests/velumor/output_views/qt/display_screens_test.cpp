// The four display designs drawn by the Qt front end against the simulated meter: the host's
// instruments configured channel by channel as the windows do it, a simulated minute, and a
// screenshot of each window at its minimum size. The pictures are for the eye; the checks
// catch what a user would see at once: needles that do not point at the meter's value and
// curves that do not move.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QWidget>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "frontend/qt/display_widgets.h"
#include "frontend/qt/front_end.h"
#include "platform/ui/controls.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/form.h"
#include "platform/ui/services.h"
#include "tests/support/scoped_lang.h"
#include "tolvar/applet/control_ids.h"
#include "tolvar/controls/display_controls.h"
#include "tolvar/controls/form_ref.h"
#include "tolvar/controls/register.h"
#include "tolvar/sim/frame_operations.h"
#include "tolvar/sim/host_session.h"
#include "velumor/output_views/display_channels.h"
#include "velumor/output_views/display_layout.h"
#include "velumor/view_window/minimum_size.h"

namespace {

using platform::com::Ptr;
using platform::com::Variant;
using velumor::output_views::DisplayKind;

std::string readDesign(const std::string& form) {
  std::ifstream in(std::string(VELUMOR_DESIGN_DIR) + "/" + form + ".json");
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The view the test holds at the simulated host, for a view handle of its own.
class HarnessView : public tolvar::View {
 public:
  int32_t SetAppletItemManagRef(int32_t handle, Ptr<tolvar::AppletItemManager> aim) override {
    viewHandle = handle;
    itemManager = aim;
    return 0;
  }
  int32_t Show() override { return 0; }
  int32_t Hide() override { return 0; }
  int32_t Destroy() override { return 0; }
  int32_t NotifyChanged(int32_t, bool, int32_t, int32_t) override { return 0; }
  int32_t viewHandle = 0;
  Ptr<tolvar::AppletItemManager> itemManager;
};

// A display window's design with its load sizing and layout; the channels are configured
// from outside, as the registration and the notifications would.
class DisplayForm : public platform::ui::Form {
 public:
  DisplayForm(const std::string& name, DisplayKind kind) : Form(name, readDesign(name)), kind_(kind) {}
  struct {
    int32_t MinFormWidth = 0, MinFormHeight = 0, LastFormWidth = 0, LastFormHeight = 0;
    bool FormLoaded = false;
  } size;

 protected:
  void Form_Load() override {
    ctl("DisplayFrame").setCaption("");
    velumor::view_window::applyMinimumSize(*this, size.MinFormWidth, size.MinFormHeight, size.LastFormWidth,
                                           size.LastFormHeight);
    size.FormLoaded = true;
  }
  void Form_Resize() override {
    velumor::output_views::DisplayFormResize(*this, kind_, size.MinFormWidth, size.MinFormHeight,
                                             size.LastFormWidth, size.LastFormHeight, size.FormLoaded, 0);
  }

 private:
  DisplayKind kind_;
};

struct Window {
  const char* form;
  DisplayKind kind;
  velumor::output_views::DisplayClass cls;
  const char* suffix;
};
const Window kWindows[] = {
    {"VelumorDisplayTrendForm", DisplayKind::Trend, velumor::output_views::DisplayClass::Plotter, ""},
    {"VelumorDisplayAnalogForm", DisplayKind::Analog, velumor::output_views::DisplayClass::Needle,
     "Tolvar4Needle"},
    {"VelumorDisplayDigitalForm", DisplayKind::Digital, velumor::output_views::DisplayClass::Digital,
     "Tolvar4Digital"},
    {"VelumorDisplayBarForm", DisplayKind::Bar, velumor::output_views::DisplayClass::BarGraph,
     "Tolvar4BarGraph"},
};

class DisplayScreens : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    platform::ui::EventLoop::instance().useManualClock();
    platform::ui::Services::installHeadless();
    tolvar::controls::registerHostControls();
    dir_ = std::filesystem::path(VELUMOR_SCREENS_DIR);
    std::filesystem::create_directories(dir_);
    options_.databaseFile = dir_ / "display_screens.sqlite";
    options_.registryFile = dir_ / "display_screens_registry.json";
    std::filesystem::remove(options_.databaseFile);
    session_ = std::make_unique<tolvar::sim::HostSession>(options_);
    session_->registerBuiltinView("Test.Displays", [this] {
      view_ = platform::com::makeObject<HarnessView>();
      return Ptr<platform::com::Unknown>(view_);
    });
    const auto opened = session_->openView("Test.Displays");
    ASSERT_TRUE(opened.ok()) << opened.text();
    front_.install(frontend::qt::FrontEnd::Mode::WindowsOnly);
  }
  void TearDown() override {
    for (auto& f : forms_) f->unload();
    forms_.clear();
    front_.uninstall();
    session_.reset();
  }

  void run(int64_t ms) {
    for (int64_t t = 0; t < ms; t += 100) {
      platform::ui::EventLoop::instance().advance(100);
      QApplication::processEvents();
    }
  }

  // The selection items registered as the windows register them, with their enumerations.
  velumor::output_views::ChannelContext contextOf(int ch) {
    auto& aim = *view_->itemManager;
    velumor::output_views::ChannelContext ctx;
    ctx.itemManager = &aim;
    Ptr<tolvar::DeviceDescription> dd;
    int32_t st = 0;
    aim.GetDDObject(dd, st);
    dds_.push_back(dd);
    ctx.deviceDescription = dd.get();
    const std::string name(velumor::output_views::displayChannels()[ch].selectionItem);
    aim.RegisterItem(name, true, view_->viewHandle, ctx.selectionHandle, 0, 0, st);
    int32_t object = 0;
    dd->FindObject("object", name, object, st);
    Variant v[6];
    dd->GetObjectInfo(object, v[0], v[1], v[2], v[3], v[4], v[5], st);
    dd->FindObject("enumeration", v[4].toString(), ctx.enumHandle, st);
    ctx.selection = &selections_[ch];
    return ctx;
  }

  DisplayForm& open(const Window& w) {
    auto f = platform::com::makeObject<DisplayForm>(w.form, w.kind);
    f->load();
    auto& aim = view_->itemManager;
    if (w.kind == DisplayKind::Analog || w.kind == DisplayKind::Bar) {
      for (const auto& ch : velumor::output_views::displayChannels()) {
        for (auto [suffix, item] :
             {std::pair{"ValueTolvar4Text", ch.valueItem}, std::pair{"UnitTolvar4Text", ch.unitItem}}) {
          auto& t = f->ctlAs<platform::ui::UserControl>(std::string(ch.name) + suffix);
          t.impl().put(tolvar::dispid::ItemName, Variant(std::string(item)));
          t.impl().put(tolvar::dispid::ItemMode, Variant(int16_t{3}));
        }
      }
    }
    auto& handler = f->ctlAs<platform::ui::UserControl>("VelumorTolvar4CtrlItemHandler");
    Variant bind[] = {Variant(tolvar::controls::makeFormRef(*f)),
                      Variant(tolvar::controls::makeObjectRef(Ptr<platform::com::Unknown>(aim)))};
    handler.impl().invoke(tolvar::dispid::BindItems, platform::com::InvokeKind::Method, bind);
    int32_t level = 0, country = 49;
    if (w.kind == DisplayKind::Trend) {
      velumor::output_views::ChannelContext ctx[4] = {contextOf(0), contextOf(1), contextOf(2), contextOf(3)};
      velumor::output_views::ConfigureCurves(f->ctlAs<platform::ui::UserControl>("VR_Tolvar4Plotter").impl(),
                                             std::span<const velumor::output_views::ChannelContext, 4>(ctx),
                                             false, level, country);
    } else {
      for (int k = 0; k < 4; ++k)
        velumor::output_views::ConfigureChannel(
            f->ctlAs<platform::ui::UserControl>(velumor::output_views::displayControlName(w.kind, k)).impl(),
            w.cls, velumor::output_views::displayChannels()[k], contextOf(k), false, level, country);
    }
    f->show();
    forms_.push_back(f);
    return *f;
  }

  QImage shot(DisplayForm& f, const std::string& file) {
    QApplication::processEvents();
    QString error;
    QImage img = front_.grabImage(f, error);
    EXPECT_FALSE(img.isNull()) << error.toStdString();
    img.save(QString::fromStdString((dir_ / file).string()));
    return img;
  }

  std::filesystem::path dir_;
  tolvar::sim::HostOptions options_;
  std::unique_ptr<tolvar::sim::HostSession> session_;
  Ptr<HarnessView> view_;
  std::vector<Ptr<tolvar::DeviceDescription>> dds_;
  std::vector<Ptr<DisplayForm>> forms_;
  int32_t selections_[4] = {};
  frontend::qt::FrontEnd front_;
};

TEST_P(DisplayScreens, AllFourWindowsFollowTheMeterForAMinute) {
  ScopedLang lang(GetParam());
  DisplayForm* forms[4];
  for (int i = 0; i < 4; ++i) forms[i] = &open(kWindows[i]);
  ASSERT_EQ(session_->frameOperations().connect(), 0);
  run(5000);
  auto* plotter =
      dynamic_cast<frontend::qt::PlotterWidget*>(front_.widget(forms[0]->ctl("VR_Tolvar4Plotter")));
  ASSERT_NE(plotter, nullptr);
  run(55000);
  const std::string lang_ = GetParam();
  for (int i = 0; i < 4; ++i)
    shot(*forms[i], std::string("display_") + kWindows[i].form + "_" + lang_ + ".png");

  // Made larger, the instruments take the room: the analog window's dials grow into full dials.
  forms[1]->userResize(9000, 12000);
  forms[3]->userResize(9000, 9000);
  shot(*forms[1], "display_analog_large_" + lang_ + ".png");
  shot(*forms[3], "display_bar_large_" + lang_ + ".png");

  // The curves move: each configured curve has samples of more than one value.
  ASSERT_EQ(plotter->curves().size(), 4u);
  for (const auto& c : plotter->curves()) {
    std::set<double> seen;
    // The gap before the connection has no number.
    for (auto& [t, v] : c.points)
      if (!std::isnan(v)) seen.insert(v);
    EXPECT_GT(seen.size(), 3u) << c.caption.toStdString();
  }
  // The needles point at the meter's values: each needle shows the host's value in its scale.
  for (int k = 0; k < 4; ++k) {
    auto& needle = forms[1]->ctlAs<platform::ui::UserControl>(
        velumor::output_views::displayControlName(DisplayKind::Analog, k));
    auto* ctl = dynamic_cast<tolvar::controls::NeedleControl*>(&needle.impl());
    ASSERT_NE(ctl, nullptr);
    const auto item = std::string(velumor::output_views::displayChannels()[k].valueItem);
    const double host = session_->itemValue(item)->toDouble();
    EXPECT_NEAR(ctl->channel(0).value, host, std::fabs(host) * 1e-6 + 1e-9) << item;
    auto* w = dynamic_cast<frontend::qt::NeedleWidget*>(front_.widget(needle));
    ASSERT_NE(w, nullptr);
    EXPECT_NEAR(w->data().value, host, std::fabs(host) * 1e-6 + 1e-9);
  }
}

INSTANTIATE_TEST_SUITE_P(Languages, DisplayScreens, ::testing::Values("en", "de"));

}  // namespace
