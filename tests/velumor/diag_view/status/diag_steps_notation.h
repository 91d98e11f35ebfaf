#pragma once
// Expected decodings written down as text, one step after a semicolon:
//   "img Memory 2"   the tab image of a group     "tag Input 0"   its present flag
//   "sel"            the tab selection runs       "show Sensor 4" / "hide Sensor 4"
//   "Value 1 Y"      a row drawn Yes, No, Warning or Off (Y, N, W, O)
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <utility>

#include "velumor/diag_view/diag_status.h"

namespace diagtest {

using velumor::diag_view::DiagGroup;
using velumor::diag_view::DiagStep;
using velumor::diag_view::DiagSteps;

inline DiagGroup groupNamed(const std::string& name) {
  static const std::map<std::string, DiagGroup> groups = {
      {"Device", DiagGroup::Device},       {"Sensor", DiagGroup::Sensor}, {"Input", DiagGroup::Input},
      {"Value", DiagGroup::Value},         {"Alarm", DiagGroup::Alarm},   {"Limits", DiagGroup::Limits},
      {"Totalizer", DiagGroup::Totalizer}, {"Output", DiagGroup::Output}, {"Config", DiagGroup::Config},
      {"Memory", DiagGroup::Memory}};
  const auto it = groups.find(name);
  if (it == groups.end()) throw std::invalid_argument("no group " + name);
  return it->second;
}

inline uint8_t valueNamed(const std::string& v) {
  if (v == "Y") return 1;
  if (v == "N") return 2;
  if (v == "W") return 3;
  if (v == "O") return 4;
  throw std::invalid_argument("no value " + v);
}

inline DiagSteps steps(const std::string& text) {
  DiagSteps out;
  std::stringstream all(text);
  std::string one;
  while (std::getline(all, one, ';')) {
    std::stringstream in(one);
    std::string a, b, c;
    in >> a >> b >> c;
    if (a.empty()) continue;
    DiagStep s;
    if (a == "img") {
      s = {DiagStep::Kind::TabImage, groupNamed(b), -1, static_cast<uint8_t>(std::stoi(c))};
    } else if (a == "tag") {
      s = {DiagStep::Kind::TabTag, groupNamed(b), -1, static_cast<uint8_t>(std::stoi(c))};
    } else if (a == "sel") {
      s = {DiagStep::Kind::TabSelection, DiagGroup::Device, -1, 0};
    } else if (a == "show" || a == "hide") {
      s = {a == "show" ? DiagStep::Kind::ShowRow : DiagStep::Kind::HideRow, groupNamed(b),
           static_cast<int8_t>(std::stoi(c)), 0};
    } else {
      s = {DiagStep::Kind::DrawRow, groupNamed(a), static_cast<int8_t>(std::stoi(b)), valueNamed(c)};
    }
    out.push_back(s);
  }
  return out;
}

inline std::string describe(const DiagStep& s) {
  static const char* groups[] = {"Device", "Sensor",    "Input",  "Value",  "Alarm",
                                 "Limits", "Totalizer", "Output", "Config", "Memory"};
  const std::string g = groups[static_cast<int>(s.group)];
  switch (s.kind) {
    case DiagStep::Kind::TabImage:
      return "img " + g + " " + std::to_string(s.value);
    case DiagStep::Kind::TabTag:
      return "tag " + g + " " + std::to_string(s.value);
    case DiagStep::Kind::TabSelection:
      return "sel";
    case DiagStep::Kind::ShowRow:
      return "show " + g + " " + std::to_string(s.row);
    case DiagStep::Kind::HideRow:
      return "hide " + g + " " + std::to_string(s.row);
    case DiagStep::Kind::DrawRow:
      return g + " " + std::to_string(s.row) + " " + (s.value <= 4 ? "?YNWO"[s.value] : '?');
  }
  return "?";
}

inline std::string describe(const DiagSteps& steps) {
  std::string out;
  for (const auto& s : steps) out += (out.empty() ? "" : "; ") + describe(s);
  return out;
}

}  // namespace diagtest
