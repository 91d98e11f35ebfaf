#pragma once
// velumor-regsvr: adds a component library's classes to the class registry, or removes them.
#include <iosfwd>
#include <string>
#include <vector>

namespace regsvr {

// Exit codes.
inline constexpr int kOk = 0;
inline constexpr int kUsage = 1;
inline constexpr int kNoLibrary = 2;     // missing, or dlopen refused it
inline constexpr int kNoEntryPoint = 3;  // not a component library
inline constexpr int kRegistryFailed =
    4;  // the library's registration failed (registry unwritable, corrupt...)

// Runs the tool with `args` (without the program name); messages go to `out` and `err`.
//   velumor-regsvr [--unregister] [--registry FILE] LIBRARY
// Without --registry the registry is VELUMOR_REGISTRY, else the user's default registry.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace regsvr
