#pragma once

namespace velumor::view_window {

// What a window's tests may read of its private state: each window class befriends every
// specialisation, and its tests define the one for their class under tests/support/. Nothing
// in the product specialises it.
template <class T>
struct TestAccess;

}  // namespace velumor::view_window
