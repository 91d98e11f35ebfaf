#include "apps/host_core/script_runner.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <fstream>
#include <ostream>
#include <sstream>

#include "platform/com/error.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/form_dump.h"
#include "platform/ui/services.h"

namespace host_core {

using platform::com::equalsNoCase;
using platform::com::Variant;
using platform::ui::Control;
using platform::ui::EventLoop;
using platform::ui::Form;
using platform::ui::Services;

std::vector<std::string> splitScriptLine(const std::string& line) {
  std::vector<std::string> words;
  std::string cur;
  bool inWord = false, quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (quoted) {
      if (c == '\\' && i + 1 < line.size()) {
        char n = line[++i];
        switch (n) {
          case 'r':
            cur += '\r';
            break;
          case 'n':
            cur += '\n';
            break;
          case 't':
            cur += '\t';
            break;
          case '0':
            cur += '\0';
            break;
          case '"':
            cur += '"';
            break;
          case '\\':
            cur += '\\';
            break;
          default:
            cur += '\\';
            cur += n;
            break;
        }
      } else if (c == '"') {
        quoted = false;
      } else {
        cur += c;
      }
      continue;
    }
    if (c == '#' && !inWord) break;
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      if (inWord) words.push_back(std::move(cur));
      cur.clear();
      inWord = false;
    } else if (c == '"') {
      quoted = true;
      inWord = true;
    } else {
      cur += c;
      inWord = true;
    }
  }
  if (quoted) throw std::runtime_error("unclosed double quote");
  if (inWord) words.push_back(std::move(cur));
  return words;
}

std::pair<std::string, int32_t> parseControlRef(const std::string& ref) {
  auto open = ref.find('(');
  if (open == std::string::npos || ref.back() != ')') return {ref, -1};
  std::string idx = ref.substr(open + 1, ref.size() - open - 2);
  if (idx.empty() || idx.find_first_not_of("0123456789") != std::string::npos)
    throw std::runtime_error("bad control index in '" + ref + "'");
  return {ref.substr(0, open), std::stoi(idx)};
}

namespace {
// Locale-free, unlike strtod: under a German numeric locale "1.5" must stay a number.
bool parseNumber(const std::string& s, double& out) {
  const char* first = s.data();
  const char* last = s.data() + s.size();
  if (first != last && *first == '+') ++first;  // from_chars takes no plus sign
  if (first == last || *first == '+' || (*first == '-' && s[0] == '+')) return false;
  const auto res = std::from_chars(first, last, out);
  return res.ec == std::errc() && res.ptr == last && std::isfinite(out);
}

// The longest `run` a line may ask for: one simulated day. A longer one would keep a connected
// session busy for hours with no sign of life.
constexpr double kLongestRunMs = 86'400'000;

platform::com::ByteArray parseHex(const std::vector<std::string>& words, size_t from) {
  platform::com::ByteArray a;
  for (size_t i = from; i < words.size(); ++i) {
    const std::string& w = words[i];
    if (w.size() != 2 || !std::isxdigit(static_cast<unsigned char>(w[0])) ||
        !std::isxdigit(static_cast<unsigned char>(w[1])))
      throw std::runtime_error("'" + w + "' is not a hex byte (two hex digits)");
    a.data.push_back(static_cast<uint8_t>(std::stoi(w, nullptr, 16)));
  }
  return a;
}

Variant scriptValue(const std::string& word, bool wasQuoted) {
  double d;
  if (!wasQuoted && parseNumber(word, d)) return Variant(d);
  return Variant(word);
}

// A response code as a HART device sends it: one octet, written in decimal or as &Hxx.
bool parseResponseCode(const std::string& s, uint8_t& code) {
  std::string digits = s;
  int base = 10;
  if (s.size() > 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h')) {
    digits = s.substr(2);
    base = 16;
  }
  if (digits.empty() || digits.size() > 8) return false;
  for (char c : digits) {
    const auto u = static_cast<unsigned char>(c);
    if (base == 10 ? !std::isdigit(u) : !std::isxdigit(u)) return false;
  }
  const long v = std::stol(digits, nullptr, base);
  if (v > 255) return false;
  code = static_cast<uint8_t>(v);
  return true;
}

// Writes a whole file, or says why it could not: a line that writes nothing must not pass.
bool writeText(const std::filesystem::path& path, const std::string& text, std::string& error) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (out) out.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (out) out.close();
  if (!out) {
    std::error_code ec;
    const bool folder = !path.has_parent_path() || std::filesystem::is_directory(path.parent_path(), ec);
    error = "cannot write " + path.string() + (folder ? "" : ": the folder does not exist");
    return false;
  }
  return true;
}

int32_t answerCode(const std::string& a) {
  using namespace platform::ui::mb;
  if (equalsNoCase(a, "yes")) return IdYes;
  if (equalsNoCase(a, "no")) return IdNo;
  if (equalsNoCase(a, "ok")) return IdOK;
  if (equalsNoCase(a, "cancel")) return IdCancel;
  if (equalsNoCase(a, "retry")) return IdRetry;
  if (equalsNoCase(a, "ignore")) return IdIgnore;
  if (equalsNoCase(a, "abort")) return IdAbort;
  throw std::runtime_error("unknown answer '" + a + "'");
}

bool lineHasQuotedArg(const std::string& line, size_t argIndex) {
  // Whether word `argIndex` of the line was written in quotes.
  size_t count = 0;
  bool in = false, q = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (q) {
      if (c == '\\')
        ++i;
      else if (c == '"')
        q = false;
      continue;
    }
    if (c == ' ' || c == '\t') {
      if (in) ++count;
      in = false;
      continue;
    }
    if (!in && c == '"' && count == argIndex) return true;
    if (c == '"') q = true;
    in = true;
  }
  return false;
}
}  // namespace

bool scriptValuesMatch(const std::string& expected, const std::string& actual) {
  double e, a;
  if (parseNumber(expected, e) && parseNumber(actual, a)) {
    return std::fabs(e - a) <= 1e-6 * std::max(1.0, std::fabs(e));
  }
  if ((expected == "true" || expected == "false") && (actual == "True" || actual == "False"))
    return equalsNoCase(expected, actual);
  return expected == actual;
}

ScriptRunner::ScriptRunner(HostApi& host, std::ostream& out) : host_(host), out_(out) {
  messagesSeen_ = Services::headless().requestsOf("msgbox").size();
  errorsSeen_ = EventLoop::instance().errors().size();
}

ScriptRunner::~ScriptRunner() = default;

bool ScriptRunner::fail(const std::string& message) {
  ++failures_;
  out_ << "FAIL line " << lineNo_ << ": " << line_ << "\n  " << message << "\n";
  return false;
}

std::filesystem::path ScriptRunner::outPath(const std::string& p) const {
  std::filesystem::path path(p);
  return path.is_absolute() ? path : outDir_ / path;
}

Form* ScriptRunner::resolveForm(const std::string& name) const {
  for (auto it = views_.rbegin(); it != views_.rend(); ++it) {
    if (it->first == name) {
      auto* owner = dynamic_cast<platform::ui::WindowOwner*>(it->second.get());
      return owner ? owner->ownedWindow() : nullptr;
    }
  }
  auto forms = platform::ui::allForms();
  for (auto it = forms.rbegin(); it != forms.rend(); ++it)
    if ((*it)->name() == name && (*it)->isLoaded()) return *it;
  for (auto it = forms.rbegin(); it != forms.rend(); ++it)
    if ((*it)->name() == name) return *it;
  return nullptr;
}

Control* ScriptRunner::resolveControl(Form& form, const std::string& ref, std::string& error) const {
  if (ref == ".") return &form;
  auto [name, index] = parseControlRef(ref);
  if (!form.isLoaded()) {
    error = "window '" + form.name() + "' is not loaded";
    return nullptr;
  }
  Control* c = form.findControl(name, index);
  if (!c) error = "window '" + form.name() + "' has no control '" + ref + "'";
  return c;
}

bool ScriptRunner::checkUnanswered() {
  auto& h = Services::headless();
  if (h.unanswered().empty()) return true;
  std::string all;
  for (auto& u : h.unanswered()) all += (all.empty() ? "" : "; ") + u;
  h.clearUnanswered();
  return fail("no answer was queued for: " + all);
}

int ScriptRunner::runFile(const std::filesystem::path& file) {
  std::ifstream in(file);
  if (!in) {
    out_ << "FAIL cannot read script " << file << "\n";
    return ++failures_;
  }
  std::stringstream ss;
  ss << in.rdbuf();
  return runText(ss.str(), file.string());
}

int ScriptRunner::runText(const std::string& text, const std::string& sourceName) {
  std::istringstream in(text);
  std::string line;
  int n = 0;
  while (std::getline(in, line)) runLine(line, ++n);
  closeAll();
  EventLoop::instance().drainPosted();
  checkUnanswered();
  out_ << (failures_ ? "FAILED " : "PASSED ") << sourceName << " (" << failures_ << " failure"
       << (failures_ == 1 ? "" : "s") << ")\n";
  return failures_;
}

void ScriptRunner::closeAll() {
  while (!views_.empty()) {
    auto v = views_.back().second;
    views_.pop_back();
    host_.destroyView(v);
    EventLoop::instance().drainPosted();
  }
  for (auto& v : host_.hostOpenedViews()) host_.destroyView(v);
}

bool ScriptRunner::runLine(const std::string& rawLine, int lineNo) {
  lineNo_ = lineNo;
  line_ = rawLine;
  std::vector<std::string> w;
  try {
    w = splitScriptLine(rawLine);
  } catch (const std::exception& e) {
    return fail(e.what());
  }
  if (w.empty()) return true;
  const std::string& cmd = w[0];
  auto need = [&](size_t n) {
    if (w.size() < n + 1)
      throw std::runtime_error("'" + cmd + "' needs " + std::to_string(n) + " argument(s)");
  };
  auto form = [&](const std::string& name) -> Form& {
    Form* f = resolveForm(name);
    if (!f) throw std::runtime_error("no window '" + name + "'");
    return *f;
  };
  auto control = [&](Form& f, const std::string& ref) -> Control& {
    std::string err;
    Control* c = resolveControl(f, ref, err);
    if (!c) throw std::runtime_error(err);
    return *c;
  };
  auto& loop = EventLoop::instance();
  auto& headless = Services::headless();
  bool ok = true;
  try {
    if (cmd == "open") {
      need(1);
      std::string name = w.size() > 2 ? w[2] : w[1].substr(w[1].find('.') + 1);
      std::string err;
      auto view = host_.openView(w[1], err);
      if (!view) return fail("cannot open '" + w[1] + "': " + err);
      views_.emplace_back(name, view);
    } else if (cmd == "show" || cmd == "hide" || cmd == "destroy") {
      need(1);
      auto it = std::find_if(views_.rbegin(), views_.rend(), [&](auto& p) { return p.first == w[1]; });
      if (it == views_.rend()) return fail("no view '" + w[1] + "'");
      int32_t status = 0;
      if (cmd == "show") status = it->second->Show();
      if (cmd == "hide") status = it->second->Hide();
      if (cmd == "destroy") {
        auto v = it->second;
        views_.erase(std::next(it).base());
        host_.destroyView(v);
      }
      if (status != 0) return fail(cmd + " returned status " + std::to_string(status));
    } else if (cmd == "close") {
      need(1);
      Form& f = form(w[1]);
      if (!f.isLoaded()) return fail("window '" + w[1] + "' is not loaded");
      f.userClose();
    } else if (cmd == "set" || cmd == "shadow") {
      need(2);
      std::string err;
      if (!host_.setItem(w[1], scriptValue(w[2], lineHasQuotedArg(rawLine, 2)), cmd == "shadow", err))
        return fail(err);
    } else if (cmd == "bytes") {
      need(1);
      std::string err;
      if (!host_.setBytes(w[1], parseHex(w, 2), err)) return fail(err);
    } else if (cmd == "run") {
      need(1);
      double ms;
      if (!parseNumber(w[1], ms) || ms < 0 || ms > kLongestRunMs)
        return fail("'run' takes a number of milliseconds from 0 to 86400000 (one day)");
      loop.advance(static_cast<int64_t>(ms));
    } else if (cmd == "click" || cmd == "dblclick" || cmd == "rightclick") {
      need(2);
      Form& f = form(w[1]);
      Control& c = control(f, w[2]);
      bool taken = cmd == "click"      ? f.userClick(c)
                   : cmd == "dblclick" ? f.userDblClick(c)
                                       : f.userMouseUp(c, platform::ui::kRightButton);
      if (!taken) return fail("'" + w[2] + "' takes no input (disabled or hidden)");
    } else if (cmd == "text") {
      need(3);
      Form& f = form(w[1]);
      if (!f.userText(control(f, w[2]), w[3])) return fail("'" + w[2] + "' takes no text");
    } else if (cmd == "tab") {
      need(3);
      Form& f = form(w[1]);
      auto* ts = dynamic_cast<platform::ui::TabStripControl*>(&control(f, w[2]));
      if (!ts) return fail("'" + w[2] + "' is not a tab strip");
      if (ts->positionOf(w[3]) == 0) return fail("no tab '" + w[3] + "'");
      if (!f.userSelectTab(*ts, Variant(w[3]))) return fail("the tab strip takes no input");
    } else if (cmd == "resize") {
      need(3);
      double ww, hh;
      // Twips held as single precision: a size beyond it is no size.
      if (!parseNumber(w[2], ww) || !parseNumber(w[3], hh) || std::fabs(ww) > 1e9 || std::fabs(hh) > 1e9)
        return fail("'resize' takes two numbers of twips, from -1000000000 to 1000000000");
      form(w[1]).userResize(static_cast<float>(ww), static_cast<float>(hh));
    } else if (cmd == "minimize") {
      need(1);
      Form& f = form(w[1]);
      f.setWindowState(platform::ui::kMinimized);
    } else if (cmd == "answer") {
      need(1);
      headless.queueMessageAnswer(answerCode(w[1]));
    } else if (cmd == "savefile") {
      need(1);
      headless.queueSaveFile(outPath(w[1]).string());
    } else if (cmd == "canceldialog") {
      headless.queueSaveFile(std::nullopt);
    } else if (cmd == "printdialog") {
      need(1);
      platform::ui::PrinterAnswer a;
      if (w[1] == "ok") {
        a.ok = true;
        double copies = 1;
        if (w.size() > 2 &&
            (!parseNumber(w[2], copies) || copies < 1 || copies > 9999 || copies != std::floor(copies)))
          return fail("'printdialog ok' takes a whole number of copies from 1 to 9999");
        a.copies = static_cast<int32_t>(copies);
      } else if (w[1] == "tofile") {
        a.ok = true;
        a.printToFile = true;
      } else if (w[1] == "setup") {
        a.ok = true;
      } else if (w[1] != "cancel") {
        return fail("printdialog takes ok [COPIES] | tofile | setup | cancel");
      }
      headless.queuePrinter(a);
    } else if (cmd == "expect") {
      need(4);
      if (w.size() > 5) return fail("'expect' takes one value (quote a text)");
      Form& f = form(w[1]);
      Control& c = control(f, w[2]);
      std::string actual;
      try {
        actual = platform::ui::scriptText(c.evalPath(w[3]));
      } catch (const platform::com::RuntimeError& e) {
        return fail("cannot read " + w[2] + "." + w[3] + ": " + e.description());
      }
      if (!scriptValuesMatch(w[4], actual))
        return fail("expected " + w[2] + "." + w[3] + " = \"" + w[4] + "\", actual \"" + actual + "\"");
    } else if (cmd == "expect-item") {
      need(2);
      auto v = host_.itemValue(w[1]);
      if (!v) return fail("no item '" + w[1] + "'");
      std::string actual = platform::ui::scriptText(*v);
      if (v->type() == platform::com::VarType::ByteArray) {
        std::string expected;
        for (size_t i = 2; i < w.size(); ++i) expected += (i > 2 ? " " : "") + w[i];
        if (expected != actual)
          return fail("expected item " + w[1] + " = " + expected + ", actual " + actual);
      } else if (w.size() > 3) {
        // Only octets take several words; a second word would otherwise be left unchecked.
        return fail("item " + w[1] + " holds \"" + actual + "\", not octets: give one value (quote a text)");
      } else if (!scriptValuesMatch(w[2], actual)) {
        return fail("expected item " + w[1] + " = \"" + w[2] + "\", actual \"" + actual + "\"");
      }
    } else if (cmd == "expect-message" || cmd == "expect-no-message") {
      auto boxes = headless.requestsOf("msgbox");
      std::vector<std::string> recent;
      for (size_t i = messagesSeen_; i < boxes.size(); ++i) recent.push_back(boxes[i].text);
      messagesSeen_ = boxes.size();
      if (cmd == "expect-message") {
        need(1);
        bool found = false;
        for (auto& t : recent) found = found || t.find(w[1]) != std::string::npos;
        if (!found) {
          std::string seen;
          for (auto& t : recent) seen += "\n    \"" + t + "\"";
          return fail("no message box with \"" + w[1] + "\" was shown" +
                      (seen.empty() ? "" : "; shown:" + seen));
        }
      } else if (!recent.empty()) {
        return fail("a message box was shown: \"" + recent.front() + "\"");
      }
    } else if (cmd == "expect-windows") {
      need(2);
      double expected;
      if (!parseNumber(w[2], expected)) return fail("'expect-windows' takes a count");
      int shown = 0;
      for (Form* f : platform::ui::allForms())
        if (f->name() == w[1] && f->isLoaded() && f->visible()) ++shown;
      if (shown != static_cast<int>(expected))
        return fail(std::to_string(shown) + " window(s) '" + w[1] + "' shown, expected " + w[2]);
    } else if (cmd == "expect-no-error") {
      auto& errs = loop.errors();
      std::string msg;
      for (size_t i = errorsSeen_; i < errs.size(); ++i) msg += "\n    " + errs[i];
      errorsSeen_ = errs.size();
      if (!msg.empty()) return fail("run-time errors were reported:" + msg);
    } else if (cmd == "dump") {
      need(1);
      std::string json = platform::ui::dumpFormJson(form(w[1]));
      if (w.size() > 2) {
        std::string err;
        if (!writeText(outPath(w[2]), json + "\n", err)) return fail(err);
      } else {
        out_ << json << "\n";
      }
    } else if (cmd == "items") {
      std::string json = host_.itemsJson();
      std::string err;
      if (w.size() > 1) {
        if (!writeText(outPath(w[1]), json + "\n", err)) return fail(err);
      } else {
        out_ << json << "\n";
      }
    } else if (cmd == "screenshot") {
      need(2);
      if (!screenshot_) return fail("screenshots need the Qt front end (velumor-host built with Qt)");
      std::string err;
      auto path = outPath(w[2]);
      if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
      if (!screenshot_(form(w[1]), path, err)) return fail(err);
    } else if (cmd == "frame") {
      need(1);
      std::string result, err;
      std::vector<std::string> args(w.begin() + 2, w.end());
      if (!host_.frame(w[1], args, result, err)) return fail(err);
      if (!result.empty()) out_ << "frame " << w[1] << ": " << result << "\n";
    } else if (cmd == "scenario") {
      need(1);
      std::string err;
      if (!host_.scenario(w[1], err)) return fail(err);
    } else if (cmd == "inject") {
      need(2);
      uint8_t code = 0;
      if (!parseResponseCode(w[2], code))
        return fail("'" + w[2] + "' is no response code (0 to 255, decimal or &H hex)");
      std::string err;
      if (!host_.injectResponse(w[1], code, err)) return fail(err);
    } else if (cmd == "echo") {
      for (size_t i = 1; i < w.size(); ++i) out_ << (i > 1 ? " " : "") << w[i];
      out_ << "\n";
    } else {
      return fail("unknown command '" + cmd + "'");
    }
  } catch (const platform::com::RuntimeError& e) {
    ok = fail("run-time error " + std::to_string(e.number()) + ": " + e.description());
  } catch (const std::exception& e) {
    ok = fail(e.what());
  }
  loop.drainPosted();
  for (auto& m : host_.takeHostMessages()) out_ << "host: " << m << "\n";
  return checkUnanswered() && ok;
}

}  // namespace host_core
