// The shared platform library is made of the runtime, the window model and the resources;
// this file only gives the library a translation unit of its own.
namespace platform {
extern const char* const kPlatformName;
const char* const kPlatformName = "velumor-platform";
}  // namespace platform
