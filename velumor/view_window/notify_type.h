#pragma once
#include <cstdint>

namespace velumor::view_window {

// One host notification as a view keeps it until its notification tick works it off.
struct VELUMOR_Notify_Type {
  int32_t lAppletItemHandle = 0;
  bool bShadow = false;
  int32_t lState = 0;
  int32_t lUserLong = 0;

  friend bool operator==(const VELUMOR_Notify_Type&, const VELUMOR_Notify_Type&) = default;
};

}  // namespace velumor::view_window
