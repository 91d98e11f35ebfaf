#pragma once
// The applet library's utility object as the supervision view uses it: the host's own class,
// created by its ProgID on first use and shared by every supervision view from then on.
#include "tolvar/applet/applet.h"

namespace velumor::host_binding {

// The shared utility; error 429 when the host serves no such class.
tolvar::AppletUtility& sharedAppletUtility();

// Drops the shared object, so that the next use creates it anew (for tests that change hosts).
void resetSharedAppletUtility();

}  // namespace velumor::host_binding
