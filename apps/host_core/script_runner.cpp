#include "apps/host_core/script_runner.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <fstream>
#include <ostream>
#include <sstream>

#include "platform/com/error.h"
#include "platform/com/text.h"
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

Result<std::vector<std::string>> splitScriptLine(const std::string& line) {
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
  if (quoted) return Status::fail(Reason::InvalidArgument, "unclosed double quote");
  if (inWord) words.push_back(std::move(cur));
  return words;
}

Result<std::pair<std::string, int32_t>> parseControlRef(const std::string& ref) {
  auto open = ref.find('(');
  if (open == std::string::npos || ref.back() != ')') return std::pair(ref, -1);
  std::string idx = ref.substr(open + 1, ref.size() - open - 2);
  if (idx.empty() || idx.find_first_not_of("0123456789") != std::string::npos)
    return Status::fail(Reason::InvalidArgument, "bad control index in '" + ref + "'");
  return std::pair(ref.substr(0, open), std::stoi(idx));
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

Result<platform::com::ByteArray> parseHex(const std::vector<std::string>& words, size_t from) {
  platform::com::ByteArray a;
  for (size_t i = from; i < words.size(); ++i) {
    const std::string& w = words[i];
    if (w.size() != 2 || !std::isxdigit(static_cast<unsigned char>(w[0])) ||
        !std::isxdigit(static_cast<unsigned char>(w[1])))
      return Status::fail(Reason::InvalidArgument, "'" + w + "' is not a hex byte (two hex digits)");
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
Status writeText(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (out) out.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (out) out.close();
  if (out) return {};
  std::error_code ec;
  const bool folder = !path.has_parent_path() || std::filesystem::is_directory(path.parent_path(), ec);
  return Status::fail(Reason::BadFile,
                      "cannot write " + path.string() + (folder ? "" : ": the folder does not exist"));
}

Result<int32_t> answerCode(const std::string& a) {
  using namespace platform::ui::mb;
  if (equalsNoCase(a, "yes")) return IdYes;
  if (equalsNoCase(a, "no")) return IdNo;
  if (equalsNoCase(a, "ok")) return IdOK;
  if (equalsNoCase(a, "cancel")) return IdCancel;
  if (equalsNoCase(a, "retry")) return IdRetry;
  if (equalsNoCase(a, "ignore")) return IdIgnore;
  if (equalsNoCase(a, "abort")) return IdAbort;
  return Status::fail(Reason::InvalidArgument, "unknown answer '" + a + "'");
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

std::optional<double> parseTolerance(const std::string& word) {
  double t = 0;
  if (word.size() < 2 || word[0] != '~' || !parseNumber(word.substr(1), t) || t < 0) return std::nullopt;
  return t;
}

bool scriptValueMatches(const std::string& expected, const Variant& actual, std::optional<double> tolerance) {
  using platform::com::VarType;
  double e = 0;
  const bool number = parseNumber(expected, e);
  switch (actual.type()) {
    case VarType::Byte:
    case VarType::Integer:
    case VarType::Long:
    case VarType::Double:
      if (!number) return false;
      if (tolerance) return std::fabs(e - actual.toDouble()) <= *tolerance;
      return e == actual.toDouble();  // whole numbers, Longs and a script's Doubles as given
    case VarType::Single:
      if (!number) return false;
      if (tolerance) return std::fabs(e - actual.toDouble()) <= *tolerance;
      // Exactly as stored: the number the script writes, held as a Single, is the value.
      return static_cast<float>(e) == actual.toSingle();
    case VarType::Boolean:
      return expected == (actual.toBool() ? "true" : "false");
    default:
      // Texts, octets and the rest compare as they print; a tolerance applies to numbers only.
      return !tolerance && expected == platform::ui::scriptText(actual);
  }
}

ScriptRunner::ScriptRunner(HostApi& host, std::ostream& out) : host_(host), out_(out) {
  messagesSeen_ = Services::headless().requestsOf("msgbox").size();
  errorsSeen_ = EventLoop::instance().errors().size();
}

ScriptRunner::~ScriptRunner() = default;

namespace {
// At most `limit` octets of a text a user typed or a file held, cut at a character and saying
// how much was left out: a name of 100,000 characters must not make a message of 100 KB.
std::string clipped(const std::string& text, size_t limit) {
  if (text.size() <= limit) return text;
  size_t end = limit;
  while (end > 0 && platform::com::isContinuationByte(text[end])) --end;
  return text.substr(0, end) + "... (" + std::to_string(text.size() - end) + " more octets)";
}
}  // namespace

bool ScriptRunner::fail(const std::string& message) {
  ++failures_;
  out_ << "FAIL line " << lineNo_ << ": " << clipped(line_, 240) << "\n  " << clipped(message, 2000) << "\n";
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

Result<Control*> ScriptRunner::resolveControl(Form& form, const std::string& ref) const {
  if (ref == ".") return &form;
  const auto parsed = parseControlRef(ref);
  if (!parsed) return parsed.error();
  if (!form.isLoaded())
    return Status::fail(Reason::InvalidArgument, "window '" + form.name() + "' is not loaded");
  Control* c = form.findControl(parsed->first, parsed->second);
  if (!c) return Status::fail(Reason::NotFound, "window '" + form.name() + "' has no control '" + ref + "'");
  return c;
}

bool ScriptRunner::checkUnanswered() {
  auto& h = Services::headless();
  if (h.unanswered().empty()) return true;
  std::string all;
  for (const auto& u : h.unanswered()) all += (all.empty() ? "" : "; ") + u;
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
  // The host ends the session itself: a question its end raises finds nobody to answer it and
  // takes the box's default button unless the script queued an answer. That is said, not failed.
  auto& headless = Services::headless();
  headless.clearDefaulted();
  headless.setSessionEnding(true);
  struct Ending {
    platform::ui::HeadlessServices& h;
    ~Ending() { h.setSessionEnding(false); }
  } ending{headless};
  views_.clear();  // the host holds every view it opened; the script's names go
  host_.endSession();
  EventLoop::instance().drainPosted();
  for (const auto& box : headless.defaulted()) {
    // One log line a box: its line ends written as the script would write them.
    std::string text;
    for (char ch : box.text)
      text += ch == '\r' ? std::string("\\r") : ch == '\n' ? std::string("\\n") : std::string(1, ch);
    out_ << "end of session: the message box \"" << text << "\" took its default button (" << box.answer
         << ")\n";
  }
  for (const auto& m : host_.takeHostMessages()) out_ << "host: " << m << "\n";
}

// What a command handler answers: true when done; false when it failed the line and said so,
// after which the posted work of its line does not run; or a failure for a fault in the line's
// words or windows, which fails the line with its text and lets the posted work of the line run.
using Outcome = Result<bool>;

struct ScriptRunner::Call {
  ScriptRunner& runner;
  const std::vector<std::string>& w;  // the words; w[0] is the command
  const std::string& raw;             // the line as written (for what the words lost: quotes)

  const std::string& cmd() const { return w[0]; }
  HostApi& host() const { return runner.host_; }
  std::ostream& out() const { return runner.out_; }
  EventLoop& loop() const { return EventLoop::instance(); }
  platform::ui::HeadlessServices& headless() const { return Services::headless(); }
  bool fail(const std::string& message) const { return runner.fail(message); }
  std::filesystem::path outPath(const std::string& p) const { return runner.outPath(p); }
  void keepView(std::string name, platform::com::Ptr<tolvar::View> view) const {
    runner.views_.emplace_back(std::move(name), std::move(view));
  }

  Status need(size_t n) const {
    if (w.size() < n + 1)
      return Status::fail(Reason::InvalidArgument,
                          "'" + cmd() + "' needs " + std::to_string(n) + " argument(s)");
    return {};
  }
  Result<Form*> form(const std::string& name) const {
    if (Form* f = runner.resolveForm(name)) return f;
    return Status::fail(Reason::NotFound, "no window '" + name + "'");
  }
  Result<Control*> control(Form& f, const std::string& ref) const { return runner.resolveControl(f, ref); }
  // The window named by word `formWord` and its control named by word `controlWord`.
  Result<std::pair<Form*, Control*>> formControl(size_t formWord, size_t controlWord) const {
    const Result<Form*> f = form(w[formWord]);
    if (!f) return f.error();
    const Result<Control*> ctl = control(**f, w[controlWord]);
    if (!ctl) return ctl.error();
    return std::pair(*f, *ctl);
  }

  // show, hide and destroy: the host's calls on a view the script opened.
  Outcome onView() const {
    if (Status s = need(1); !s) return s;
    auto& views = runner.views_;
    auto it = std::find_if(views.rbegin(), views.rend(), [&](const auto& p) { return p.first == w[1]; });
    if (it == views.rend()) return fail("no view '" + w[1] + "'");
    int32_t status = 0;
    if (cmd() == "show") status = it->second->Show();
    if (cmd() == "hide") status = it->second->Hide();
    if (cmd() == "destroy") {
      auto v = it->second;
      views.erase(std::next(it).base());
      host().destroyView(v);
    }
    if (status != 0) return fail(cmd() + " returned status " + std::to_string(status));
    return true;
  }
  // click, dblclick and rightclick.
  Outcome mouse() const {
    if (Status s = need(2); !s) return s;
    const auto target = formControl(1, 2);
    if (!target) return target.error();
    auto [f, c] = *target;
    bool taken = cmd() == "click"      ? f->userClick(*c)
                 : cmd() == "dblclick" ? f->userDblClick(*c)
                                       : f->userMouseUp(*c, platform::ui::kRightButton);
    if (!taken) return fail("'" + w[2] + "' takes no input (disabled or hidden)");
    return true;
  }
  // set and shadow.
  Outcome setItem() const {
    if (Status s = need(2); !s) return s;
    const Status set = host().setItem(w[1], scriptValue(w[2], lineHasQuotedArg(raw, 2)), cmd() == "shadow");
    return set ? true : fail(set.text());
  }
  // expect-message and expect-no-message: both take the boxes shown since the last check.
  Outcome messages() const {
    auto boxes = headless().requestsOf("msgbox");
    std::vector<std::string> recent;
    for (size_t i = runner.messagesSeen_; i < boxes.size(); ++i) recent.push_back(boxes[i].text);
    runner.messagesSeen_ = boxes.size();
    if (cmd() == "expect-message") {
      if (Status s = need(1); !s) return s;
      bool found = false;
      for (const auto& t : recent) found = found || t.find(w[1]) != std::string::npos;
      if (!found) {
        std::string seen;
        for (const auto& t : recent) seen += "\n    \"" + t + "\"";
        return fail("no message box with \"" + w[1] + "\" was shown" +
                    (seen.empty() ? "" : "; shown:" + seen));
      }
    } else if (!recent.empty()) {
      return fail("a message box was shown: \"" + recent.front() + "\"");
    }
    return true;
  }
  // expect-no-error.
  Outcome noError() const {
    auto& errs = loop().errors();
    std::string msg;
    for (size_t i = runner.errorsSeen_; i < errs.size(); ++i) msg += "\n    " + errs[i];
    runner.errorsSeen_ = errs.size();
    if (!msg.empty()) return fail("run-time errors were reported:" + msg);
    return true;
  }
  // Writes `text` to the file named by word `at`, or prints it when the line has no such word.
  Outcome writeOrPrint(size_t at, const std::string& text) const {
    if (w.size() <= at) {
      out() << text << "\n";
      return true;
    }
    const Status written = writeText(outPath(w[at]), text + "\n");
    return written ? true : fail(written.text());
  }
  Outcome screenshot() const {
    if (Status s = need(2); !s) return s;
    if (!runner.screenshot_) return fail("screenshots need the Qt front end (velumor-host built with Qt)");
    // A picture no screen could show would take gigabytes; the window's size says so first.
    constexpr double kTwipsPerPixel = 15, kMaxPixels = 16384;
    const Result<Form*> found = form(w[1]);
    if (!found) return found.error();
    Form& shot = **found;
    const double width = std::round(shot.width() / kTwipsPerPixel),
                 height = std::round(shot.height() / kTwipsPerPixel);
    if (!(width <= kMaxPixels && height <= kMaxPixels))
      return fail("the window is " + platform::com::formatNumber(width) + " x " +
                  platform::com::formatNumber(height) + " pixels; a screenshot is at most " +
                  platform::com::formatNumber(kMaxPixels) + " x " + platform::com::formatNumber(kMaxPixels));
    std::string err;
    auto path = outPath(w[2]);
    std::error_code ec;
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
    if (ec)
      return fail("cannot create the folder " + path.parent_path().string() + " (" + ec.message() + ")");
    if (!runner.screenshot_(shot, path, err)) return fail(err);
    return true;
  }
};

namespace {

using Call = ScriptRunner::Call;

// A command handler answers an Outcome. What escapes it (a run-time error of a view, a fault
// of the host) fails the line too and lets its posted work run.
struct CommandEntry {
  ScriptCommand doc;
  // cppcheck-suppress unusedStructMember ; called through the table's entries
  Outcome (*run)(const Call&);
};

// The script language, one entry a command, in the order of README.md's table. Every entry
// says what the command does and, beyond "needs N argument(s)", how it fails the line.
const CommandEntry kCommands[] = {
    // Creates the view by ProgID, hands it the item manager and shows it, under NAME (default:
    // the ProgID's last part). Fails when the host cannot create or bind the view.
    {{"open", "PROGID [NAME]"},
     [](const Call& c) -> Outcome {
       if (Status s = c.need(1); !s) return s;
       const auto& w = c.w;
       std::string name = w.size() > 2 ? w[2] : w[1].substr(w[1].find('.') + 1);
       auto view = c.host().openView(w[1]);
       if (!view) return c.fail("cannot open '" + w[1] + "': " + view.text());
       c.keepView(name, view.value());
       return true;
     }},
    // The view's Show / Hide; fails on an unknown view or a non-zero status.
    {{"show", "NAME"}, [](const Call& c) -> Outcome { return c.onView(); }},
    {{"hide", "NAME"}, [](const Call& c) -> Outcome { return c.onView(); }},
    // The host destroys the view and forgets it; fails on an unknown view.
    {{"destroy", "NAME"}, [](const Call& c) -> Outcome { return c.onView(); }},
    // The user closes the window; fails when there is no such window or it is not loaded.
    {{"close", "NAME"},
     [](const Call& c) -> Outcome {
       if (Status s = c.need(1); !s) return s;
       const Result<Form*> f = c.form(c.w[1]);
       if (!f) return f.error();
       if (!(*f)->isLoaded()) return c.fail("window '" + c.w[1] + "' is not loaded");
       (*f)->userClose();
       return true;
     }},
    // Host-side write of a number or a quoted text to value and shadow value (set) or to the
    // shadow value only (shadow); fails with the host's reason (unknown item, wrong type).
    {{"set", "ITEM VALUE"}, [](const Call& c) -> Outcome { return c.setItem(); }},
    {{"shadow", "ITEM VALUE"}, [](const Call& c) -> Outcome { return c.setItem(); }},
    // Host-side write of octets, lowest octet number first; fails on a word that is not two hex
    // digits or with the host's reason.
    {{"bytes", "ITEM HEX..."},
     [](const Call& c) -> Outcome {
       if (Status s = c.need(1); !s) return s;
       const Result<platform::com::ByteArray> octets = parseHex(c.w, 2);
       if (!octets) return octets.error();
       const Status set = c.host().setBytes(c.w[1], *octets);
       return set ? true : c.fail(set.text());
     }},
    // The device answers the next run of RECORD with response CODE (0 to 255, decimal or &Hxx)
    // instead of running it; fails on a bad code or an unknown record.
    {{"inject", "RECORD CODE"},
     [](const Call& c) -> Outcome {
       if (Status s = c.need(2); !s) return s;
       uint8_t code = 0;
       if (!parseResponseCode(c.w[2], code))
         return c.fail("'" + c.w[2] + "' is no response code (0 to 255, decimal or &H hex)");
       const Status injected = c.host().injectResponse(c.w[1], code);
       return injected ? true : c.fail(injected.text());
     }},
    // Advances the manual clock, firing every timer that falls due in time order; fails on a
    // number outside 0 to one day.
    {{"run", "MS"},
     [](const Call& c) -> Outcome {
       if (Status s = c.need(1); !s) return s;
       double ms;
       if (!parseNumber(c.w[1], ms) || ms < 0 || ms > kLongestRunMs)
         return c.fail("'run' takes a number of milliseconds from 0 to 86400000 (one day)");
       c.loop().advance(static_cast<int64_t>(ms));
       return true;
     }},
    // User input on a control; fails when the control is disabled or hidden.
    {{"click", "NAME CONTROL"}, [](const Call& c) -> Outcome { return c.mouse(); }},
    {{"dblclick", "NAME CONTROL"}, [](const Call& c) -> Outcome { return c.mouse(); }},
    {{"rightclick", "NAME CONTROL"}, [](const Call& c) -> Outcome { return c.mouse(); }},
    // The user types TEXT into a text box; fails when the control takes no text.
    {{"text", "NAME CONTROL \"TEXT\""},
     [](const Call& c) -> Outcome {
       if (Status s = c.need(3); !s) return s;
       const auto target = c.formControl(1, 2);
       if (!target) return target.error();
       if (!target->first->userText(*target->second, c.w[3])) return c.fail("'" + c.w[2] + "' takes no text");
       return true;
     }},
    // The user selects the tab KEY; fails when the control is no tab strip, has no such tab or
    // takes no input.
    {{"tab", "NAME TABSTRIP KEY"},
     [](const Call& c) -> Outcome {
       if (Status s = c.need(3); !s) return s;
       const auto& w = c.w;
       const auto target = c.formControl(1, 2);
       if (!target) return target.error();
       auto* ts = dynamic_cast<platform::ui::TabStripControl*>(target->second);
       if (!ts) return c.fail("'" + w[2] + "' is not a tab strip");
       if (ts->positionOf(w[3]) == 0) return c.fail("no tab '" + w[3] + "'");
       if (!target->first->userSelectTab(*ts, Variant(w[3]))) return c.fail("the tab strip takes no input");
       return true;
     }},
    // The user sizes the window (outer size, twips); fails on a size beyond 1000000000 either
    // way: twips are held as single precision.
    {{"resize", "NAME WIDTH HEIGHT"},
     [](const Call& c) -> Outcome {
       if (Status s = c.need(3); !s) return s;
       double ww, hh;
       if (!parseNumber(c.w[2], ww) || !parseNumber(c.w[3], hh) || std::fabs(ww) > 1e9 || std::fabs(hh) > 1e9)
         return c.fail("'resize' takes two numbers of twips, from -1000000000 to 1000000000");
       const Result<Form*> f = c.form(c.w[1]);
       if (!f) return f.error();
       (*f)->userResize(static_cast<float>(ww), static_cast<float>(hh));
       return true;
     }},
    // Minimizes the window.
    {{"minimize", "NAME"},
     [](const Call& c) -> Outcome {
       if (Status s = c.need(1); !s) return s;
       const Result<Form*> f = c.form(c.w[1]);
       if (!f) return f.error();
       (*f)->setWindowState(platform::ui::kMinimized);
       return true;
     }},
    // Queues the answer to the next message box; fails on any other word.
    {{"answer", "yes|no|ok|cancel|retry|ignore|abort"},
     [](const Call& c) -> Outcome {
       if (Status s = c.need(1); !s) return s;
       const Result<int32_t> answer = answerCode(c.w[1]);
       if (!answer) return answer.error();
       c.headless().queueMessageAnswer(*answer);
       return true;
     }},
    // Queues the answer to the next save dialog: a path (relative ones go to --out), or cancel.
    {{"savefile", "PATH"},
     [](const Call& c) -> Outcome {
       if (Status s = c.need(1); !s) return s;
       c.headless().queueSaveFile(c.outPath(c.w[1]).string());
       return true;
     }},
    {{"canceldialog", ""},
     [](const Call& c) -> Outcome {
       c.headless().queueSaveFile(std::nullopt);
       return true;
     }},
    // Queues the answer to the next printer dialog; fails on another answer or on COPIES that
    // is not a whole number from 1 to 9999.
    {{"printdialog", "ok [COPIES]|tofile|setup|cancel"},
     [](const Call& c) -> Outcome {
       if (Status s = c.need(1); !s) return s;
       const auto& w = c.w;
       platform::ui::PrinterAnswer a;
       if (w[1] == "ok") {
         a.ok = true;
         double copies = 1;
         if (w.size() > 2 &&
             (!parseNumber(w[2], copies) || copies < 1 || copies > 9999 || copies != std::floor(copies)))
           return c.fail("'printdialog ok' takes a whole number of copies from 1 to 9999");
         a.copies = static_cast<int32_t>(copies);
       } else if (w[1] == "tofile") {
         a.ok = true;
         a.printToFile = true;
       } else if (w[1] == "setup") {
         a.ok = true;
       } else if (w[1] != "cancel") {
         return c.fail("printdialog takes ok [COPIES] | tofile | setup | cancel");
       }
       c.headless().queuePrinter(a);
       return true;
     }},
    // Compares a model property (Caption, Tabs.Count, Panels(Key).Text, ...) with VALUE;
    // fails on a mismatch, a property that cannot be read, or more than one value word.
    {{"expect", "NAME CONTROL PROPERTY VALUE [~TOL]"},
     [](const Call& c) -> Outcome {
       if (Status s = c.need(4); !s) return s;
       const auto& w = c.w;
       const std::optional<double> tolerance = w.size() == 6 ? parseTolerance(w[5]) : std::nullopt;
       if (w.size() > 6 || (w.size() == 6 && !tolerance))
         return c.fail("'expect' takes one value (quote a text) and an optional tolerance ~TOL");
       const auto target = c.formControl(1, 2);
       if (!target) return target.error();
       Variant actual;
       try {
         actual = target->second->evalPath(w[3]);
       } catch (const platform::com::RuntimeError& e) {
         return c.fail("cannot read " + w[2] + "." + w[3] + ": " + e.description());
       }
       if (!scriptValueMatches(w[4], actual, tolerance))
         return c.fail("expected " + w[2] + "." + w[3] + " = \"" + w[4] + "\"" +
                       (tolerance ? " " + w[5] : "") + ", actual \"" + platform::ui::scriptText(actual) +
                       "\"");
       return true;
     }},
    // Compares a host item: numbers numerically, texts exactly, octets as hex pairs (the only
    // values that take several words); fails on a mismatch or an unknown item.
    {{"expect-item", "ITEM VALUE [~TOL]"},
     [](const Call& c) -> Outcome {
       if (Status s = c.need(2); !s) return s;
       const auto& w = c.w;
       auto v = c.host().itemValue(w[1]);
       if (!v) return c.fail("no item '" + w[1] + "'");
       std::string actual = platform::ui::scriptText(*v);
       if (v->type() == platform::com::VarType::ByteArray) {
         std::string expected;
         for (size_t i = 2; i < w.size(); ++i) expected += (i > 2 ? " " : "") + w[i];
         if (expected != actual)
           return c.fail("expected item " + w[1] + " = " + expected + ", actual " + actual);
       } else {
         const std::optional<double> tolerance = w.size() == 4 ? parseTolerance(w[3]) : std::nullopt;
         // Only octets take several words; a second word would otherwise be left unchecked.
         if (w.size() > 4 || (w.size() == 4 && !tolerance))
           return c.fail("item " + w[1] + " holds \"" + actual +
                         "\", not octets: give one value (quote a text) and an optional tolerance ~TOL");
         if (!scriptValueMatches(w[2], *v, tolerance))
           return c.fail("expected item " + w[1] + " = \"" + w[2] + "\"" + (tolerance ? " " + w[3] : "") +
                         ", actual \"" + actual + "\"");
       }
       return true;
     }},
    // A message box containing TEXT was shown since the last message check; fails naming the
    // boxes that were shown instead.
    {{"expect-message", "\"TEXT\""}, [](const Call& c) -> Outcome { return c.messages(); }},
    // No message box was shown since the last message check; fails naming the first one.
    {{"expect-no-message", ""}, [](const Call& c) -> Outcome { return c.messages(); }},
    // No run-time error was reported since the last error check; fails listing them.
    {{"expect-no-error", ""}, [](const Call& c) -> Outcome { return c.noError(); }},
    // Exactly COUNT windows of the form FORM are loaded and visible; fails with the count seen.
    {{"expect-windows", "FORM COUNT"},
     [](const Call& c) -> Outcome {
       if (Status s = c.need(2); !s) return s;
       const auto& w = c.w;
       double expected;
       if (!parseNumber(w[2], expected)) return c.fail("'expect-windows' takes a count");
       int shown = 0;
       for (Form* f : platform::ui::allForms())
         if (f->name() == w[1] && f->isLoaded() && f->visible()) ++shown;
       if (shown != static_cast<int>(expected))
         return c.fail(std::to_string(shown) + " window(s) '" + w[1] + "' shown, expected " + w[2]);
       return true;
     }},
    // The window's control tree as JSON, printed or written to FILE; fails when the file cannot
    // be written.
    {{"dump", "NAME [FILE]"},
     [](const Call& c) -> Outcome {
       if (Status s = c.need(1); !s) return s;
       const Result<Form*> f = c.form(c.w[1]);
       if (!f) return f.error();
       return c.writeOrPrint(2, platform::ui::dumpFormJson(**f));
     }},
    // Every host item with its value as JSON, printed or written to FILE; fails when the file
    // cannot be written.
    {{"items", "[FILE]"}, [](const Call& c) -> Outcome { return c.writeOrPrint(1, c.host().itemsJson()); }},
    // A PNG of the window; fails without the Qt front end or when the picture is not written.
    {{"screenshot", "NAME FILE"}, [](const Call& c) -> Outcome { return c.screenshot(); }},
    // A HostFrame operation as a view calls it; prints its result; fails with the host's reason.
    {{"frame", "OPERATION [ARGS...]"},
     [](const Call& c) -> Outcome {
       if (Status s = c.need(1); !s) return s;
       std::vector<std::string> args(c.w.begin() + 2, c.w.end());
       const Result<std::string> result = c.host().frame(c.w[1], args);
       if (!result) return c.fail(result.text());
       if (!result.value().empty()) c.out() << "frame " << c.w[1] << ": " << result.value() << "\n";
       return true;
     }},
    // Puts the simulated meter into a named condition; fails on an unknown one.
    {{"scenario", "NAME"},
     [](const Call& c) -> Outcome {
       if (Status s = c.need(1); !s) return s;
       const Status set = c.host().scenario(c.w[1]);
       return set ? true : c.fail(set.text());
     }},
    // Prints the words.
    {{"echo", "WORDS..."},
     [](const Call& c) -> Outcome {
       for (size_t i = 1; i < c.w.size(); ++i) c.out() << (i > 1 ? " " : "") << c.w[i];
       c.out() << "\n";
       return true;
     }},
};

}  // namespace

std::vector<ScriptCommand> scriptCommands() {
  std::vector<ScriptCommand> all;
  for (const auto& e : kCommands) all.push_back(e.doc);
  return all;
}

bool ScriptRunner::runLine(const std::string& rawLine, int lineNo) {
  lineNo_ = lineNo;
  line_ = rawLine;
  const Result<std::vector<std::string>> words = splitScriptLine(rawLine);
  if (!words) return fail(words.text());
  const std::vector<std::string>& w = *words;
  if (w.empty()) return true;
  const auto* entry = std::find_if(std::begin(kCommands), std::end(kCommands),
                                   [&](const CommandEntry& e) { return e.doc.name == w[0]; });
  if (entry == std::end(kCommands)) return fail("unknown command '" + w[0] + "'");
  bool ok = true;
  try {
    // A handler that failed has said why; the posted work of its line does not run.
    const Outcome done = entry->run(Call{*this, w, rawLine});
    if (!done)
      ok = fail(done.text());
    else if (!*done)
      return false;
  } catch (const platform::com::RuntimeError& e) {
    ok = fail("run-time error " + std::to_string(e.number()) + ": " + e.description());
  } catch (const std::exception& e) {
    ok = fail(e.what());
  }
  EventLoop::instance().drainPosted();
  for (const auto& m : host_.takeHostMessages()) out_ << "host: " << m << "\n";
  return checkUnanswered() && ok;
}

}  // namespace host_core
