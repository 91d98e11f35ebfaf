#pragma once
// Makes the host's controls available to window designs by their ProgIDs.

namespace tolvar::controls {

// Registers the item handler, text, combo, label-text-unit, needle, bar graph, digital
// display and plotter with platform::ui::UserControlRegistry::instance(). Calling it again
// replaces the registrations with equal ones.
void registerHostControls();

}  // namespace tolvar::controls
