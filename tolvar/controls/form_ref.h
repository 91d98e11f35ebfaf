#pragma once
// The wrappers moved to the host contract; this name stays for the host controls.
#include "tolvar/applet/form_ref.h"
