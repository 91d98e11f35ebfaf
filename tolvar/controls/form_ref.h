#pragma once
// The wrappers moved to the host's contract (tolvar/applet), where the component may include
// them; the controls keep including them from here.
#include "tolvar/applet/form_ref.h"
