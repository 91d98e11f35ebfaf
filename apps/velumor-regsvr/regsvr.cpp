#include "apps/velumor-regsvr/regsvr.h"

#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>
#include <ostream>

#include "platform/com/error.h"
#include "platform/com/registry.h"
#include "platform/com/server.h"

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

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  bool unregister = false;
  std::string registryArg;
  std::string libraryArg;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      out << kUsageText;
      return kOk;
    }
    if (a == "--unregister" || a == "-u") {
      unregister = true;
    } else if (a == "--registry") {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        err << "velumor-regsvr: --registry needs a file name\n" << kUsageText;
        return kUsage;
      }
      registryArg = args[++i];
    } else if (!a.empty() && a[0] == '-') {
      err << "velumor-regsvr: unknown option " << a << "\n" << kUsageText;
      return kUsage;
    } else if (libraryArg.empty()) {
      libraryArg = a;
    } else {
      err << "velumor-regsvr: only one library at a time\n" << kUsageText;
      return kUsage;
    }
  }
  if (libraryArg.empty()) {
    err << "velumor-regsvr: no library given\n" << kUsageText;
    return kUsage;
  }

  // Absolute paths: dlopen then loads exactly the file that is registered, and the host
  // finds it from any working folder.
  const fs::path library = fs::absolute(libraryArg).lexically_normal();
  const fs::path registry =
      fs::absolute(registryArg.empty() ? platform::com::ClassRegistry::defaultPath() : fs::path(registryArg))
          .lexically_normal();

  std::error_code ec;
  if (!fs::is_regular_file(library, ec)) {
    err << "velumor-regsvr: library not found: " << library.string() << "\n";
    return kNoLibrary;
  }
  void* handle = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = ::dlerror();
    err << "velumor-regsvr: cannot load " << library.string() << ": " << (why ? why : "unknown reason")
        << "\n";
    return kNoLibrary;
  }
  const char* symbol =
      unregister ? platform::com::UnregisterServerSymbol : platform::com::RegisterServerSymbol;
  void* entry = ::dlsym(handle, symbol);
  if (!entry) {
    err << "velumor-regsvr: " << library.string() << " is not a component library: it has no entry point "
        << symbol << "\n";
    ::dlclose(handle);
    return kNoEntryPoint;
  }

  int32_t result = hr::Ok;
  if (unregister) {
    result = reinterpret_cast<platform::com::UnregisterServerFn>(entry)(registry.c_str());
  } else {
    result = reinterpret_cast<platform::com::RegisterServerFn>(entry)(registry.c_str(), library.c_str());
  }
  // The library stays loaded to the end of the process: its objects and registrations are
  // not worth the risk of unloading it under them.
  if (hr::failed(result)) {
    err << "velumor-regsvr: " << (unregister ? "unregistering " : "registering ") << library.string()
        << (unregister ? " from " : " in ") << registry.string() << " failed: " << describeResult(result);
    const std::string problem = registryProblem(registry);
    if (!problem.empty()) err << ": " << problem;
    err << "\n";
    return kRegistryFailed;
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
