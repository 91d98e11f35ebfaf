#pragma once
// The resource layer is linked into the shared platform library; its interface stays
// visible to the libraries that use it, whatever visibility they are built with.
#define PLAT_RES_API __attribute__((visibility("default")))
