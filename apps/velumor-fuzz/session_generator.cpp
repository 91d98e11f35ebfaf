#include "apps/velumor-fuzz/session_generator.h"

#include <algorithm>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>

namespace fuzz {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

json readJson(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  if (!in) throw std::runtime_error(p.string() + ": cannot be read");
  try {
    return json::parse(in);
  } catch (const json::exception& e) {
    throw std::runtime_error(p.string() + ": " + e.what());
  }
}

// The form a view class shows, by the names the component gives them.
std::string formOf(const std::string& progId) {
  if (progId == "GenericView.GenericViewClass") return "GenericViewForm";
  std::string base = progId.substr(progId.find('.') + 1);
  if (base.size() > 5 && base.compare(base.size() - 5, 5, "Class") == 0) base.resize(base.size() - 5);
  return base + "Form";
}

std::string quoted(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        out += c;
    }
  }
  return out + "\"";
}

}  // namespace

const Knowledge::Window* Knowledge::window(const std::string& form) const {
  for (const auto& w : windows)
    if (w.form == form) return &w;
  return nullptr;
}

Knowledge loadKnowledge(const fs::path& sourceRoot, const fs::path& deviceFile) {
  Knowledge k;
  for (const char* id :
       {"Velumor.VelumorMainViewClass", "Velumor.VelumorDiagViewClass", "Velumor.VelumorSimulationClass",
        "Velumor.VelumorDisplayTrendClass", "Velumor.VelumorDisplayAnalogClass",
        "Velumor.VelumorDisplayBarClass", "Velumor.VelumorDisplayDigitalClass", "Velumor.VelumorAlwaysView",
        "GenericView.GenericViewClass"})
    k.views.push_back({id, formOf(id)});

  std::vector<fs::path> designs;
  const fs::path component = sourceRoot / "velumor";
  if (fs::is_directory(component))
    for (const auto& e : fs::recursive_directory_iterator(component))
      if (e.is_regular_file() && e.path().extension() == ".json" &&
          e.path().parent_path().filename() == "design")
        designs.push_back(e.path());
  std::sort(designs.begin(), designs.end());  // the same knowledge, the same sessions
  for (const auto& file : designs) {
    const json d = readJson(file);
    Knowledge::Window w;
    w.form = d.value("form", json::object()).value("name", file.stem().string());
    for (const auto& c : d.value("controls", json::array())) {
      if (!c.is_object() || !c.contains("name")) continue;
      std::string ref = c["name"].get<std::string>();
      if (c.contains("index") && c["index"].is_number_integer())
        ref += "(" + std::to_string(c["index"].get<int>()) + ")";
      w.controls.push_back({ref, c.value("type", "")});
      for (const auto& t : c.value("tabs", json::array()))
        if (t.is_object() && t.contains("key")) w.tabs.emplace_back(ref, t["key"].get<std::string>());
    }
    k.windows.push_back(std::move(w));
  }
  if (!k.window("GenericViewForm")) k.windows.push_back({"GenericViewForm", {}, {}});

  const json dev = readJson(deviceFile);
  for (const auto& v : dev.value("variables", json::array()))
    k.items.push_back({v.value("name", ""), v.value("type", ""), v.value("octets", 0)});
  for (const auto& r : dev.value("records", json::array())) k.records.push_back(r.value("name", ""));
  for (const auto& s : dev.value("sequences", json::array())) k.sequences.push_back(s.value("name", ""));
  k.scenarios = {"normal",         "sensor-fault",  "empty-pipe",      "overrange",   "totalizer-overflow",
                 "config-changed", "fixed-current", "write-protected", "variant-a10", "variant-standard"};
  // Host items a view drives itself; writing them from outside is what a hostile host does.
  for (const char* n :
       {"&&private&&connect", "&&private&&Dirty", "&&private&&CurrentSource", "&&private_PM&&Address"})
    k.items.push_back({n, "float", 0});
  return k;
}

std::string SessionGenerator::session(uint64_t seed, int lines) {
  rng_.seed(seed);
  open_.clear();
  nextName_ = 0;
  std::ostringstream out;
  out << "# random session, seed " << seed << ", --lang " << languageOf(seed) << "\n";
  // Most sessions start as a user does: a window and a connection.
  if (chance(0.8)) out << openLine() << "\n";
  if (chance(0.5)) out << "frame Connect\n";
  for (int i = 0; i < lines; ++i) out << line() << "\n";
  return out.str();
}

const char* SessionGenerator::languageOf(uint64_t seed) {
  return seed % 2 == 0 ? "en" : "de";
}

std::string SessionGenerator::viewName() {
  return open_.empty() ? "v0" : any(open_).name;
}

std::string SessionGenerator::openLine() {
  const auto& v = any(k_.views);
  const std::string name = "v" + std::to_string(nextName_++);
  open_.push_back({name, v.form});
  return "open " + v.progId + " " + name;
}

// A window to act on: mostly one the script opened, sometimes a window a view opened itself
// (a message, the about box), addressed by its form name.
std::string SessionGenerator::windowRef(const Knowledge::Window*& w) {
  if (!open_.empty() && chance(0.85)) {
    const Open& o = any(open_);
    w = k_.window(o.form);
    return o.name;
  }
  w = &any(k_.windows);
  return w->form;
}

std::string SessionGenerator::numberValue() {
  // The edges of the types a host value passes through: Integer, Long, the unsigned Long a
  // flag word takes, single and double precision, and what lies just beyond each.
  // cppcheck-suppress variableScope ; the table heads the function as its description
  static const char* edges[] = {"0",
                                "-0",
                                "1",
                                "-1",
                                "0.5",
                                "1.5",
                                "255",
                                "256",
                                "-129",
                                "32767",
                                "32768",
                                "-32769",
                                "2147483647",
                                "2147483648",
                                "-2147483648",
                                "-2147483649",
                                "2147483647.5",
                                "-2147483648.5",
                                "2147483647.4",
                                "4294967295",
                                "4294967296",
                                "1e15",
                                "9.2e18",
                                "1e19",
                                "-1e19",
                                "1e300",
                                "-1e300",
                                "1.7976931348623157e308",
                                "4.9e-324",
                                "1e-300",
                                "nan",
                                "inf",
                                "-inf",
                                "3.4028235e38",
                                "-3.4028235e38",
                                "3.4028236e38",
                                "3.5e38",
                                "-3.5e38",
                                "1.17549435e-38",
                                "1.4e-45",
                                "7e-46",
                                "16777217",
                                "65535",
                                "63",
                                "64"};
  if (chance(0.6)) return edges[pick(static_cast<int>(std::size(edges)))];
  if (chance(0.5)) return std::to_string(pick(300) - 20);
  std::ostringstream s;
  s << std::uniform_real_distribution<double>(-1e6, 1e6)(rng_);
  return s.str();
}

std::string SessionGenerator::pathValue() {
  // Where a user might point a save or a print: plain names, names at and beyond the file-name
  // limit, blanks and umlauts, a folder, a missing folder, places nobody can write.
  switch (pick(12)) {
    case 0:
      return quoted(std::string(251, 'n') + ".txt");
    case 1:
      return quoted(std::string(256, 'n'));
    case 2:
      return "\"with blank \xC3\xA4.txt\"";
    case 3:
      return ".";
    case 4:
      return "missing-folder/x.txt";
    case 5:
      return "/proc/version";
    case 6:
      return "/proc/self/x.txt";
    case 7:
      return "/proc/none/x.txt";
    case 8:
      return "\"\"";
    case 9:
      return quoted(std::string(static_cast<size_t>(1 + pick(5000)), 'p'));
    default:
      return "saved-" + std::to_string(pick(3)) + ".txt";
  }
}

std::string SessionGenerator::textValue() {
  switch (pick(9)) {
    case 0:
      return "\"\"";
    case 1:
      return quoted(std::string(static_cast<size_t>(1 + pick(5000)), static_cast<char>('A' + pick(26))));
    case 2:
      return "\"a\\tb\\r\\nc\"";
    case 3:
      return "\"\xC3\xA4\xC3\xB6\xC3\xBC \xE2\x82\xAC\"";  // umlauts and the euro sign
    case 4:
      return "\"\xFF\xFE broken \xC3\"";  // not UTF-8
    case 5:
      return "\"12,5\"";
    case 6:
      return "\"-\"";
    case 7:
      return "\"FT-101\"";
    default:
      return quoted(std::string(static_cast<size_t>(pick(40)), '#'));
  }
}

std::string SessionGenerator::itemWrite() {
  const auto& item = any(k_.items);
  const std::string cmd = chance(0.85) ? "set " : "shadow ";
  if (item.type == "bytes" || chance(0.05)) {
    std::string out = "bytes " + item.name;
    // Mostly about the item's own length, sometimes none or far more than any status has.
    int n = chance(0.4) ? item.octets : chance(0.6) ? pick(item.octets + 3) : pick(chance(0.8) ? 300 : 5000);
    static const char* hex = "0123456789ABCDEF";
    for (int i = 0; i < n; ++i) out += std::string(" ") + hex[pick(16)] + hex[pick(16)];
    return out;
  }
  return cmd + item.name + " " + (chance(0.7) ? numberValue() : textValue());
}

std::string SessionGenerator::frameLine() {
  switch (pick(12)) {
    case 0:
      return "frame Connect";
    case 1:
      return "frame Disconnect";
    case 2:
      return "frame LoadFromDevice";
    case 3:
      return "frame SaveToDatabase";
    case 4:
      return "frame LoadFromDatabase";
    case 5:
      return "frame OpenFromDatabase";
    case 6:
      return "frame SaveAsToDatabase";
    case 7:
      return "frame StartSequence " + any(k_.sequences);
    case 8:
      return "frame AdjustSequence " + any(k_.sequences);
    case 9:
      return "frame OpenView " + any(k_.views).progId;
    case 10:
      return "frame SetAddress " + std::to_string(pick(70));
    default:
      return "frame " + std::string(chance(0.5) ? "StartSequence UPLOAD" : "StartSequence DOWNLOAD");
  }
}

std::string SessionGenerator::line() {
  const int r = pick(100);
  const Knowledge::Window* w = nullptr;
  if (r < 6) {
    if (open_.size() < 5) return openLine();
    return "show " + viewName();
  }
  if (r < 10) return (chance(0.5) ? "show " : "hide ") + viewName();
  if (r < 13) {
    if (open_.empty()) return "run 10";
    const size_t i = static_cast<size_t>(pick(static_cast<int>(open_.size())));
    const std::string name = open_[i].name;
    if (chance(0.5)) {
      open_.erase(open_.begin() + static_cast<long>(i));
      return "destroy " + name;
    }
    return "close " + name;
  }
  if (r < 28) return itemWrite();
  if (r < 40) {
    static const int runs[] = {0, 1, 10, 50, 100, 250, 500, 1000, 1500, 3000, 10000, 60000};
    return "run " + std::to_string(runs[pick(static_cast<int>(std::size(runs)))]);
  }
  if (r < 56) {
    const std::string ref = windowRef(w);
    if (!w || w->controls.empty()) return "click " + ref + " .";
    const auto& c = any(w->controls);
    if (c.type == "Timer" || c.type == "CommonDialog") return "run 100";  // nothing a user can click
    const int kind = pick(10);
    return std::string(kind < 7 ? "click " : kind < 9 ? "dblclick " : "rightclick ") + ref + " " + c.ref;
  }
  if (r < 61) {
    const std::string ref = windowRef(w);
    std::vector<const Knowledge::Control*> boxes;
    if (w)
      for (const auto& c : w->controls)
        if (c.type == "TextBox" || c.type == "ComboBox" || c.type.rfind("Tolvar4", 0) == 0)
          boxes.push_back(&c);
    if (boxes.empty()) return "text " + ref + " Text1 \"x\"";
    return "text " + ref + " " + boxes[static_cast<size_t>(pick(static_cast<int>(boxes.size())))]->ref + " " +
           (chance(0.5) ? quoted(numberValue()) : textValue());
  }
  if (r < 65) {
    const std::string ref = windowRef(w);
    if (!w || w->tabs.empty()) return "tab " + ref + " MainTab NoSuchKey";
    const auto& [strip, key] = any(w->tabs);
    return "tab " + ref + " " + strip + " " + key;
  }
  if (r < 68) {
    const std::string ref = windowRef(w);
    static const char* sizes[] = {"0 0",         "-100 -100",           "1 1",     "3000 2000", "12000 9000",
                                  "30000 20000", "100000000 100000000", "9000 100"};
    if (chance(0.1)) return "minimize " + ref;
    return "resize " + ref + " " + sizes[pick(static_cast<int>(std::size(sizes)))];
  }
  if (r < 78) {
    static const char* answers[] = {"yes", "no", "ok", "cancel", "retry", "ignore", "abort"};
    return std::string("answer ") + answers[pick(7)];
  }
  if (r < 80) return chance(0.7) ? "savefile " + pathValue() : "canceldialog";
  if (r < 82) {
    static const char* p[] = {"ok", "ok 2", "ok 0", "ok 1e20", "tofile", "setup", "cancel"};
    return std::string("printdialog ") + p[pick(7)];
  }
  if (r < 91) return frameLine();
  if (r < 94) {
    static const char* codes[] = {"0", "2", "5", "6", "7", "16", "32", "64", "&H81", "&H90", "255"};
    return "inject " + any(k_.records) + " " + codes[pick(static_cast<int>(std::size(codes)))];
  }
  if (r < 96) return "scenario " + any(k_.scenarios);
  if (r < 98) {
    const std::string ref = windowRef(w);
    const std::string file = chance(0.6) ? std::string("out.json") : pathValue();
    switch (pick(3)) {
      case 0:
        return "dump " + ref + " " + file;
      case 1:
        return "items " + file;
      default:
        return "screenshot " + ref + " " + (chance(0.6) ? std::string("shot.png") : pathValue());
    }
  }
  return "expect-no-error";
}

}  // namespace fuzz
