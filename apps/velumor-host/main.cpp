// velumor-host: the stand-in host. It loads the component's views for a simulated RQ4400,
// either in real windows or, with --script, in a headless scripted session.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "apps/host_core/command_line.h"
#include "apps/host_core/script_runner.h"
#include "apps/host_core/session_host.h"
#include "platform/res/language.h"
#include "platform/res/resource_module.h"
#include "platform/ui/event_loop.h"
#include "tolvar/controls/generic_view.h"
#include "tolvar/controls/register.h"
#include "tolvar/sim/frame_operations.h"
#include "tolvar/sim/host_session.h"

#ifdef VELUMOR_WITH_QT
#include <QApplication>
#include <QLibraryInfo>
#include <QTimer>

#include "apps/velumor-host/last_window.h"
#include "frontend/qt/front_end.h"
#include "frontend/qt/host_dialogs.h"
#include "frontend/qt/toolkit_messages.h"
#include "frontend/qt/toolkit_translations.h"
#include "platform/res/language.h"
#endif

namespace {

struct Options {
  std::string script;
  std::string lang;
  std::string registry;
  std::string device;
  std::string db;
  std::string out = ".";
  std::string address = "0";
  bool offscreen = false;
  int quitAfterMs = 0;
  std::vector<std::string> views;
};

constexpr char kUsage[] =
    "usage: velumor-host [--script FILE] [--view PROGID]... [--lang de|en] [--registry FILE]\n"
    "                    [--device FILE] [--db FILE] [--address N] [--out DIR] [--offscreen]\n"
    "                    [--quit-after MS]\n"
    "Without --script it opens the main view (with the supervision view loaded) in windows;\n"
    "--quit-after ends such a session after MS milliseconds as if the user had quit.\n";

bool parse(int argc, char** argv, Options& o) {
  host_core::CommandLine cl("velumor-host", kUsage);
  cl.text("--script", o.script)
      .text("--lang", o.lang)
      .text("--registry", o.registry)
      .text("--device", o.device)
      .text("--db", o.db)
      .text("--out", o.out)
      .text("--address", o.address)
      .flag("--offscreen", o.offscreen)
      .number("--quit-after", o.quitAfterMs, 1, 86400000)
      .texts("--view", o.views);
  return cl.parseOrExit(argc, argv);
}

#ifdef VELUMOR_WITH_QT
// Whether the toolkit has somewhere to draw: a platform without a display server (offscreen,
// minimal, vnc ...) or the display of an X or Wayland server.
bool hasDisplay() {
  const char* qpa = std::getenv("QT_QPA_PLATFORM");
  const std::string p = qpa ? qpa : "";
  auto set = [](const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
  };
  if (!p.empty() && p.rfind("xcb", 0) != 0 && p.rfind("wayland", 0) != 0) return true;
  if (p.rfind("wayland", 0) == 0) return set("WAYLAND_DISPLAY");
  if (p.empty() && set("WAYLAND_DISPLAY")) return true;
  if (!set("DISPLAY")) return false;
  // A local display (":0", "unix:0.0") is a socket; a display whose server is gone has none.
  std::string d = std::getenv("DISPLAY");
  if (d.rfind("unix:", 0) == 0) d.erase(0, 4);
  if (d.empty() || d[0] != ':') return true;  // a remote display: only connecting tells
  const std::string number =
      d.substr(1, d.find('.') == std::string::npos ? std::string::npos : d.find('.') - 1);
  std::error_code ec;
  return std::filesystem::exists("/tmp/.X11-unix/X" + number, ec);
}

// The host's own questions in real dialogs; a scripted session answers them from its queue.
void installDialogs(tolvar::sim::HostSession& session) {
  const bool german = platform::res::primaryLanguage(platform::res::userDefaultLangId()) ==
                      platform::res::primaryLanguage(platform::res::kLangGerman);
  session.setDataSetChooser(
      [german](bool forSave, const std::vector<std::string>& existing, const std::string& current) {
        return frontend::qt::chooseDataSet(forSave, existing, current, german);
      });
  session.setAddressProvider([german](const std::string& current) {
    return frontend::qt::askAddress(
        current, [](const std::string& text) { return tolvar::sim::checkedAddress(text).ok(); }, german);
  });
}

// The platforms the toolkit can load, from its plugin folders ("offscreen", "xcb", ...).
std::vector<std::string> availablePlatforms() {
  std::vector<std::string> folders;
  if (const char* extra = std::getenv("QT_QPA_PLATFORM_PLUGIN_PATH"); extra && *extra)
    folders.emplace_back(extra);
  folders.push_back(QLibraryInfo::path(QLibraryInfo::PluginsPath).toStdString() + "/platforms");
  std::vector<std::string> names;
  for (const auto& folder : folders) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
      const std::string file = it->path().filename().string();
      if (file.rfind("libq", 0) != 0 || it->path().extension() != ".so") continue;
      const std::string name = file.substr(4, file.size() - 7);
      if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

// With a platform asked for that the toolkit lacks, it aborts advising a reinstall; this says
// what was asked for and what there is. A list ("wayland;xcb") needs one it has; the empty
// list is left to the toolkit, which may know plugins this cannot see.
bool platformExists(std::string& problem) {
  const char* qpa = std::getenv("QT_QPA_PLATFORM");
  if (!qpa || !*qpa) return true;
  const std::vector<std::string> names = availablePlatforms();
  if (names.empty()) return true;
  std::string asked = qpa;
  for (size_t start = 0; start <= asked.size();) {
    size_t end = asked.find(';', start);
    if (end == std::string::npos) end = asked.size();
    const std::string entry = asked.substr(start, end - start);
    const std::string name = entry.substr(0, entry.find(':'));
    if (std::find(names.begin(), names.end(), name) != names.end()) return true;
    start = end + 1;
  }
  if (asked.size() > 80) {
    asked.resize(80);
    asked += "...";
  }
  std::string list;
  for (const auto& n : names) list += (list.empty() ? "" : ", ") + n;
  problem =
      "QT_QPA_PLATFORM asks for \"" + asked + "\", which is not there; the platforms there are: " + list;
  return false;
}

// The runtime folder when the environment names none: the user's own /tmp/velumor-runtime-UID
// when it is a real folder of theirs that nobody else may enter, else a fresh private one (a
// folder or link someone else left under that name is neither used nor changed). Empty, with
// why in `problem`, when there is no private folder to be had.
std::string privateRuntimeFolder(std::string& problem) {
  std::error_code ec;
  std::filesystem::path base = std::filesystem::temp_directory_path(ec);
  if (ec) base = "/tmp";
  const std::string wanted = (base / ("velumor-runtime-" + std::to_string(::getuid()))).string();
  if (::mkdir(wanted.c_str(), 0700) == 0) return wanted;
  struct stat st {};
  if (errno == EEXIST && ::lstat(wanted.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
      st.st_uid == ::getuid() && (st.st_mode & 0777) == 0700)
    return wanted;
  std::string fresh = wanted + "-XXXXXX";
  if (::mkdtemp(fresh.data())) return fresh;
  problem = "no private runtime folder: " + wanted + " is not one and " + fresh + " cannot be made (" +
            std::strerror(errno) + ")";
  return {};
}
#endif

}  // namespace

int main(int argc, char** argv) {
  Options opt;
  if (!parse(argc, argv, opt)) return 2;
  if (!opt.lang.empty() && opt.lang != "de" && opt.lang != "en") {
    std::cerr << "velumor-host: --lang \"" << opt.lang
              << "\" is not a language of the host; it takes de (German), en (English)\n";
    return 2;
  }
  if (!opt.lang.empty()) {
    setenv("VELUMOR_LANG", opt.lang.c_str(), 1);
    platform::res::userLanguageChanged();
  }
  if (!opt.registry.empty()) setenv("VELUMOR_REGISTRY", opt.registry.c_str(), 1);
  bool scripted = !opt.script.empty();
#ifdef VELUMOR_WITH_QT
  if (opt.offscreen || scripted) setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // Without a display the toolkit aborts with advice to reinstall it; say what helps instead.
  if (!hasDisplay()) {
    std::cerr << "velumor-host: no display: use --offscreen or --script\n";
    return 2;
  }
  if (std::string problem; !platformExists(problem)) {
    std::cerr << "velumor-host: " << problem << "\n";
    return 2;
  }
  if (!std::getenv("XDG_RUNTIME_DIR")) {
    std::string problem;
    const std::string dir = privateRuntimeFolder(problem);
    if (dir.empty()) {
      std::cerr << "velumor-host: " << problem << "\n";
      return 2;
    }
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
  }
  // The toolkit's own warnings are no part of a session's output.
  frontend::qt::quietToolkitMessages();
  QApplication app(argc, argv);
  // The toolkit sets the C library's locale from LANG; numbers in this process are read and
  // written with a decimal point in every language.
  std::setlocale(LC_NUMERIC, "C");
  // Standard buttons and dialogs speak the session's language.
  const std::unique_ptr<QTranslator> toolkitTexts =
      frontend::qt::installToolkitTranslation(platform::res::userDefaultLangId());
#endif

  tolvar::controls::registerHostControls();
  tolvar::sim::HostOptions ho;
  ho.deviceFile = opt.device;
  ho.databaseFile = opt.db;
  ho.registryFile = opt.registry;
  ho.address = opt.address;
  int rc = 0;
  try {
    auto opened = tolvar::sim::HostSession::open(ho);
    if (!opened) {
      std::cerr << "velumor-host: " << opened.text() << "\n";
      return 1;
    }
    tolvar::sim::HostSession& session = *opened.value();
    session.registerBuiltinView("GenericView.GenericViewClass", [&session] {
      auto* access = session.itemAccess();
      platform::com::Ptr<platform::com::Unknown> v =
          tolvar::controls::createGenericView([access] { return access->itemNames(); });
      return v;
    });
    host_core::SimulatedHost host(session);

    if (scripted) {
      platform::ui::EventLoop::instance().useManualClock();
      std::filesystem::create_directories(opt.out);
      host_core::ScriptRunner runner(host, std::cout);
      runner.setOutputDir(opt.out);
#ifdef VELUMOR_WITH_QT
      frontend::qt::FrontEnd front;
      front.install(frontend::qt::FrontEnd::Mode::WindowsOnly);  // mirrored only for screenshots
      runner.setScreenshot(frontend::qt::screenshotFunction());
#endif
      rc = runner.runFile(opt.script) == 0 ? 0 : 1;
#ifdef VELUMOR_WITH_QT
      front.uninstall();
#endif
    } else {
#ifdef VELUMOR_WITH_QT
      frontend::qt::FrontEnd front;
      front.install();
      front.startRealTime();
      installDialogs(session);
      velumor_host::QuitOnLastWindow quitOnLastWindow;
      std::vector<std::string> views = opt.views;
      if (views.empty()) views = {"Velumor.VelumorAlwaysView", "Velumor.VelumorMainViewClass"};
      size_t openCount = 0;
      for (const auto& progId : views) {
        if (auto view = host.openView(progId); !view)
          std::cerr << "velumor-host: cannot open " << progId << ": " << view.text() << "\n";
        else
          ++openCount;
      }
      // With no view open there is no window to end the session by: say so and stop.
      if (openCount == 0) {
        std::cerr << "velumor-host: no view could be opened\n";
        front.uninstall();
        return 1;
      }
      QApplication::setQuitOnLastWindowClosed(true);
      if (opt.quitAfterMs > 0) QTimer::singleShot(opt.quitAfterMs, &app, &QApplication::quit);
      rc = app.exec();
      // The views still open go newest first, as a host closes them, while the windows can
      // still ask the user (the save question, the fixed-current guard).
      session.endSession();
      front.uninstall();
#else
      std::cerr << "velumor-host: built without Qt; use --script FILE\n";
      rc = 2;
#endif
    }
  } catch (const std::exception& e) {
    std::cerr << "velumor-host: " << e.what() << "\n";
    rc = 1;
  }
  return rc;
}
