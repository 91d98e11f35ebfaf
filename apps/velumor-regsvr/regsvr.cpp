#include "apps/velumor-regsvr/regsvr.h"

#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>
#include <ostream>

#include "platform/com/error.h"
#include "platform/com/registry.h"
#include "platform/com/server.h"
#include "tolvar/applet/result.h"

namespace regsvr {

namespace fs = std::filesystem;
namespace hr = platform::com::hr;

namespace {

constexpr char kUsageText[] =
    "usage: velumor-regsvr [--unregister] [--registry FILE] LIBRARY\n"
    "  Adds the classes of the component library LIBRARY to the class registry, or with\n"
    "  --unregister removes them; other entries stay as they are. The registry is FILE,\n"
    "  else $VELUMOR_REGISTRY, else the user's default registry.\n";

std::string describeResult(int32_t code) {
  const uint32_t u = static_cast<uint32_t>(code);
  if ((u & 0xFFFF0000u) == 0x800A0000u) {
    const int32_t number = static_cast<int32_t>(u & 0xFFFFu);
    return platform::com::errorText(number) + " (error " + std::to_string(number) + ")";
  }
  return platform::com::resultText(code);
}

// Why the registry file could not be used, when that can be told without writing it.
std::string registryProblem(const fs::path& path) {
  try {
    platform::com::ClassRegistry registry(path);
    registry.load();
  } catch (const platform::com::RuntimeError& e) {
    return e.description();
  }
  std::error_code ec;
  const fs::path folder = path.parent_path();
  if (fs::exists(path, ec) && ::access(path.c_str(), W_OK) != 0) return "the file is not writable";
  if (fs::exists(folder, ec) && ::access(folder.c_str(), W_OK) != 0) return "its folder is not writable";
  return {};
}

}  // namespace

namespace {

using tolvar::Reason;
using tolvar::Result;
using tolvar::Status;

struct Request {
  bool help = false;
  bool unregister = false;
  std::string registryArg;
  std::string libraryArg;
};

// A command line the tool cannot follow is InvalidArgument: the usage follows the message.
Result<Request> parseArgs(const std::vector<std::string>& args) {
  Request r;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      r.help = true;
      return r;
    }
    if (a == "--unregister" || a == "-u") {
      r.unregister = true;
    } else if (a == "--registry") {
      if (i + 1 >= args.size() || args[i + 1].empty())
        return Status::fail(Reason::InvalidArgument, "--registry needs a file name");
      r.registryArg = args[++i];
    } else if (!a.empty() && a[0] == '-') {
      return Status::fail(Reason::InvalidArgument, "unknown option " + a);
    } else if (r.libraryArg.empty()) {
      r.libraryArg = a;
    } else {
      return Status::fail(Reason::InvalidArgument, "only one library at a time");
    }
  }
  if (r.libraryArg.empty()) return Status::fail(Reason::InvalidArgument, "no library given");
  return r;
}

// The library's registration entry point: NotFound or BadFile for a library that is missing or
// cannot be loaded, Unsupported for a library that is no component library.
Result<void*> entryPoint(const fs::path& library, bool unregister) {
  std::error_code ec;
  if (!fs::is_regular_file(library, ec))
    return Status::fail(Reason::NotFound, "library not found: " + library.string());
  void* handle = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = ::dlerror();
    return Status::fail(Reason::BadFile,
                        "cannot load " + library.string() + ": " + (why ? why : "unknown reason"));
  }
  const char* symbol =
      unregister ? platform::com::UnregisterServerSymbol : platform::com::RegisterServerSymbol;
  void* entry = ::dlsym(handle, symbol);
  if (!entry) {
    ::dlclose(handle);
    return Status::fail(Reason::Unsupported,
                        library.string() + " is not a component library: it has no entry point " + symbol);
  }
  // The library stays loaded to the end of the process: its objects and registrations are
  // not worth the risk of unloading it under them.
  return entry;
}

// Runs the entry point; Refused, naming library, registry and why, when it fails.
Status callEntry(void* entry, const fs::path& library, const fs::path& registry, bool unregister) {
  const int32_t result =
      unregister
          ? reinterpret_cast<platform::com::UnregisterServerFn>(entry)(registry.c_str())
          : reinterpret_cast<platform::com::RegisterServerFn>(entry)(registry.c_str(), library.c_str());
  if (!hr::failed(result)) return {};
  std::string text = std::string(unregister ? "unregistering " : "registering ") + library.string() +
                     (unregister ? " from " : " in ") + registry.string() +
                     " failed: " + describeResult(result);
  const std::string problem = registryProblem(registry);
  if (!problem.empty()) text += ": " + problem;
  return Status::fail(Reason::Refused, text);
}

// The tool's exit code for a failure.
int exitCode(Reason reason) {
  switch (reason) {
    case Reason::None:
      return kOk;
    case Reason::InvalidArgument:
      return kUsage;
    case Reason::NotFound:
    case Reason::BadFile:
      return kNoLibrary;
    case Reason::Unsupported:
      return kNoEntryPoint;
    default:
      return kRegistryFailed;
  }
}

}  // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const Result<Request> request = parseArgs(args);
  if (!request) {
    err << "velumor-regsvr: " << request.text() << "\n" << kUsageText;
    return exitCode(request.reason());
  }
  if (request->help) {
    out << kUsageText;
    return kOk;
  }
  const bool unregister = request->unregister;

  // Absolute paths: dlopen then loads exactly the file that is registered, and the host
  // finds it from any working folder.
  const fs::path library = fs::absolute(request->libraryArg).lexically_normal();
  const fs::path registry =
      fs::absolute(request->registryArg.empty() ? platform::com::ClassRegistry::defaultPath()
                                                : fs::path(request->registryArg))
          .lexically_normal();

  const Result<void*> entry = entryPoint(library, unregister);
  Status done = entry ? callEntry(entry.value(), library, registry, unregister) : entry.error();
  if (!done) {
    err << "velumor-regsvr: " << done.text() << "\n";
    return exitCode(done.reason());
  }

  if (unregister) {
    out << "Unregistered " << library.string() << " from " << registry.string() << "\n";
    return kOk;
  }
  out << "Registered " << library.string() << " in " << registry.string() << ":\n";
  try {
    platform::com::ClassRegistry reg(registry);
    reg.load();
    for (const std::string& progId : reg.progIds()) {
      if (auto e = reg.find(progId); e && fs::path(e->library) == library) out << "  " << progId << "\n";
    }
  } catch (const platform::com::RuntimeError& e) {
    out << "  (the registry cannot be read back: " << e.description() << ")\n";
  }
  return kOk;
}

}  // namespace regsvr
