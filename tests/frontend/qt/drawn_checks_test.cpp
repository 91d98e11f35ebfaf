// The checks of a drawn window that the scripted screenshots run: each fault a user would see
// is named, and a readable window has none.
#include <string>
#include <vector>

#include "qt_test_support.h"

using namespace vtest;

namespace {

// Every control fits at first; each test then spoils one thing.
const char* kChecksDesign = R"({
  "form": {"name": "ChecksForm", "props": {"Caption": "Prüfung", "ClientWidth": 6000, "ClientHeight": 4500}},
  "controls": [
    {"name": "Box", "type": "Frame", "props": {"Left": 150, "Top": 150, "Width": 4500, "Height": 2400, "Caption": "Werte"}},
    {"name": "Name", "type": "Label", "container": "Box",
     "props": {"Left": 150, "Top": 300, "Width": 1500, "Height": 255, "Caption": "Adresse:"}},
    {"name": "Value", "type": "TextBox", "container": "Box",
     "props": {"Left": 1800, "Top": 300, "Width": 1500, "Height": 300, "Text": "0"}},
    {"name": "Apply", "type": "CommandButton", "props": {"Left": 4800, "Top": 150, "Width": 1050, "Height": 375, "Caption": "OK"}},
    {"name": "Busy", "type": "Frame", "props": {"Left": 1500, "Top": 4050, "Width": 1500, "Height": 300, "Visible": false}},
    {"name": "Status", "type": "StatusBar", "props": {"Height": 315},
     "panels": [{"key": "Comm", "width": 2400, "text": "getrennt"}]}
  ]
})";

bool names(const std::vector<std::string>& faults, const std::string& what) {
  for (const std::string& f : faults)
    if (f.find(what) != std::string::npos) return true;
  return false;
}

std::string all(const std::vector<std::string>& faults) {
  std::string s;
  for (const std::string& f : faults) s += f + "\n";
  return s;
}

}  // namespace

TEST_F(FrontEndTest, AReadableWindowHasNoDrawnFaultsAndEachSpoiltPartIsNamed) {
  auto f = openForm(kChecksDesign);
  EXPECT_TRUE(frontEnd.drawnFaults(*f).empty()) << all(frontEnd.drawnFaults(*f));

  struct Case {
    const char* what;
    std::function<void()> spoil, mend;
    const char* expected;
  };
  const Case cases[] = {
      {"a caption wider than its label", [&] { f->ctl("Name").setCaption("Adresse des Geräts im Netz:"); },
       [&] { f->ctl("Name").setCaption("Adresse:"); }, "Name: its text needs"},
      {"a button caption wider than the button",
       [&] { f->ctl("Apply").setCaption("Übernehmen und schließen"); },
       [&] { f->ctl("Apply").setCaption("OK"); }, "Apply: its text needs"},
      {"a field reaching out of its frame", [&] { f->ctl("Value").setProperty("Left", Variant(3600.0f)); },
       [&] { f->ctl("Value").setProperty("Left", Variant(1800.0f)); },
       "Value at 250,30 100x20 is cut off by Box"},
      {"a control reaching out of the window", [&] { f->ctl("Apply").setProperty("Left", Variant(5400.0f)); },
       [&] { f->ctl("Apply").setProperty("Left", Variant(4800.0f)); },
       "Apply at 360,10 70x25 is cut off by the window"},
      {"a frame's field under the status bar",
       [&] {
         f->ctl("Box").setProperty("Height", Variant(4200.0f));
         f->ctl("Value").setProperty("Top", Variant(3900.0f));
       },
       [&] {
         f->ctl("Value").setProperty("Top", Variant(300.0f));
         f->ctl("Box").setProperty("Height", Variant(2400.0f));
       },
       "Value at 130,270 100x20 lies under the status bar"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.spoil();
    settle();
    const std::vector<std::string> faults = frontEnd.drawnFaults(*f);
    EXPECT_TRUE(names(faults, c.expected)) << all(faults);
    EXPECT_EQ(faults.size(), 1u) << all(faults);
    c.mend();
    settle();
    EXPECT_TRUE(frontEnd.drawnFaults(*f).empty()) << all(frontEnd.drawnFaults(*f));
  }

  // A frame's empty edge under the bar hides nothing; a frame stacked over the bar (a progress
  // display over a panel) is meant to cover it.
  f->ctl("Box").setProperty("Height", Variant(4200.0f));
  f->ctl("Busy").setVisible(true);
  f->ctl("Busy").zOrder(0);
  settle();
  EXPECT_TRUE(frontEnd.drawnFaults(*f).empty()) << all(frontEnd.drawnFaults(*f));
}
