#pragma once
// Replacing a file's contents so that a reader sees the old or the new file, never half of
// one, and an interrupted write leaves nothing beside it. The new contents go to an unnamed
// file in the target's folder, which is named only once it is whole and synced; the name it
// gets for the moment before the rename is short, created exclusively, and never a link
// someone planted, so any valid target name fits beside it.
#include <sys/types.h>

#include <filesystem>
#include <string_view>

#include "platform/com/export.h"

namespace platform::com {

// Writes `content` to `target` (not following a link at `target` itself: the link is
// replaced). The file keeps the mode of the file it replaces, else gets `newFileMode`
// (limited by the user's mask). Returns 0, or the errno of the step that failed; then the
// target is as it was and no temporary file is left.
PLAT_API int replaceFileContents(const std::filesystem::path& target, std::string_view content,
                                 mode_t newFileMode);

}  // namespace platform::com
