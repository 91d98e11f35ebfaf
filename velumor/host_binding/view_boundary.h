#pragma once
#include <cstdint>
#include <new>

#include "platform/com/error.h"

namespace velumor::host_binding {

// The edge between the host and a view: nothing escapes into the host, an error raised
// inside becomes the status the View operation returns.
template <class F>
int32_t viewBoundary(F&& f) noexcept {
  namespace hr = platform::com::hr;
  try {
    return f();
  } catch (const platform::com::RuntimeError& e) {
    return e.resultCode() != 0 ? e.resultCode() : hr::Fail;
  } catch (const std::bad_alloc&) {
    return hr::OutOfMemory;
  } catch (...) {
    return hr::Fail;
  }
}

}  // namespace velumor::host_binding
