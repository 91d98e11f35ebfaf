#pragma once
// Interfaces and classes shared across library boundaries keep default visibility,
// so that their type information is one and the same in every library of the process.
#define PLAT_API __attribute__((visibility("default")))
