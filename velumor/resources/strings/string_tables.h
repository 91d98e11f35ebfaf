#pragma once
#include <span>

#include "platform/res/resource_module.h"

namespace velumor::resources {

// The component's German (1031) and English (1033) string tables, compiled at build
// time from de.txt and en.txt.
std::span<const platform::res::StringBlockData> stringTables();

}  // namespace velumor::resources
