#pragma once
#include <cstdint>
#include <filesystem>

#include "platform/com/ref.h"
#include "platform/res/resource_module.h"
#include "platform/ui/picture.h"

namespace velumor::shared {

// The component's string tables (German 1031, English 1033) and its bitmaps by id.
const platform::res::ResourceModule& componentResources();

// The folder of the library that holds this code: where the help, read-me and
// software-service files lie beside the component.
std::filesystem::path componentFolder();
// Makes componentFolder() answer `folder`; an empty path goes back to the library's folder.
void setComponentFolderForTests(const std::filesystem::path& folder);

// Every object of the component counts here, so the host unloads the library only
// when none lives.
platform::com::LiveCount& componentLiveCount();

// Resolves the pictures the component's window designs name: "bitmap:ID" from the
// bitmaps by id, "file:NAME" from the pictures by file name (case does not matter).
// Anything else, or a picture the component lacks, gives an empty picture.
const platform::ui::PictureResolver& componentPictures();

// Bitmap `id` as a picture with the source "bitmap:ID"; an empty picture when the
// component has no such bitmap. Loading the same id twice gives equal pictures.
platform::ui::Picture loadBitmap(int64_t id);

struct ComponentVersion {
  int major;
  int minor;
  int revision;
};
ComponentVersion componentVersion();

// The file name of the component library, as the class registry and the host know it.
const char* componentLibraryName();

}  // namespace velumor::shared
