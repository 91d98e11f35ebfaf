#pragma once
#include <string>
#include <vector>

#include "platform/ui/form.h"

// A small window with one of each kind of control, for the window-model tests.
inline const char* kSampleDesign = R"({
  "form": {"name": "SampleForm", "props": {"Caption": "Sample", "ClientWidth": 6000, "ClientHeight": 4000}},
  "controls": [
    {"name": "MenuFile", "type": "Menu", "container": "", "props": {"Caption": "&File"}},
    {"name": "MenuExit", "type": "Menu", "container": "MenuFile", "props": {"Caption": "E&xit"}},
    {"name": "dynaMenu", "type": "Menu", "container": "", "props": {"Caption": "dyn", "Visible": false}},
    {"name": "dynaMenuEntry", "index": 0, "type": "Menu", "container": "dynaMenu", "props": {"Caption": "entry"}},
    {"name": "Tabs", "type": "TabStrip", "container": "", "props": {"Left": 120, "Top": 120, "Width": 5000, "Height": 3000},
     "tabs": [{"key": "AKey", "caption": "A"}, {"key": "BKey", "caption": "B"}, {"key": "CKey", "caption": "C"}]},
    {"name": "PageFrame", "type": "Frame", "container": "", "props": {"Left": 150, "Top": 480, "Width": 4900, "Height": 2500}},
    {"name": "Row", "index": 0, "type": "Label", "container": "PageFrame", "props": {"Caption": "row 0", "Top": 100}},
    {"name": "Row", "index": 2, "type": "Label", "container": "PageFrame", "props": {"Caption": "row 2", "Top": 500}},
    {"name": "Opt", "index": 0, "type": "OptionButton", "container": "PageFrame", "props": {"Value": true}},
    {"name": "Opt", "index": 1, "type": "OptionButton", "container": "PageFrame"},
    {"name": "Edit", "type": "TextBox", "container": "PageFrame", "props": {"Text": "x", "BackColor": "&H80000005&"}},
    {"name": "Tick", "type": "Timer", "container": "", "props": {"Interval": 100, "Enabled": false}},
    {"name": "Other", "type": "Timer", "container": "", "props": {"Interval": 100, "Enabled": false}},
    {"name": "Bar", "type": "StatusBar", "container": "", "props": {"Height": 315},
     "panels": [{"key": "P1", "width": 2400, "minWidth": 2400, "text": "one"},
                {"key": "P2", "autoSize": "spring", "width": 1000},
                {"key": "P3", "width": 570}]},
    {"name": "Log", "type": "ListBox", "container": ""},
    {"name": "Dlg", "type": "CommonDialog", "container": ""}
  ]
})";

// A form that records the events it sees.
class SampleForm : public platform::ui::Form {
 public:
  SampleForm() : Form("SampleForm", kSampleDesign) {}
  std::vector<std::string> events;
  std::function<void()> onLoad, onResize, onUnload, onQuery;
  int16_t cancelQuery = 0;

 protected:
  void Form_Load() override {
    events.push_back("Load");
    if (onLoad) onLoad();
  }
  void Form_Resize() override {
    events.push_back("Resize");
    if (onResize) onResize();
  }
  void Form_QueryUnload(int16_t& Cancel, int16_t mode) override {
    events.push_back("QueryUnload" + std::to_string(mode));
    if (onQuery) onQuery();
    Cancel = cancelQuery;
  }
  void Form_Unload(int16_t& Cancel) override {
    events.push_back("Unload");
    if (onUnload) onUnload();
  }
};
