# The diagnosis window follows the simulated RQ4400 from its standard variant to the A10
# variant and back: the variant's own status items are registered, the groups only the A10
# variant has come and go, each scenario lights its rows and icons, and records of the
# variant just given up that are still queued draw nothing.
open Velumor.VelumorDiagViewClass Diag
run 500
frame Connect
run 1000
expect-item "&&private&&connect" 2
tab Diag MainTab DiagSensorKey
expect Diag MainTab SelectedItem.Key DiagSensorKey

# The switch: Input, Alarm and Totalizer become present, Sensor row 0 goes, the rows of the
# A10 variant appear.
scenario variant-a10
run 100
expect-item HartRevision 1
expect Diag MainTab Tabs(DiagInputKey).Tag true
expect Diag MainTab Tabs(DiagInputKey).Enabled true
expect Diag MainTab Tabs(DiagInputKey).Image 2
expect Diag MainTab Tabs(DiagAlarmKey).Tag true
expect Diag MainTab Tabs(DiagAlarmKey).Enabled true
expect Diag MainTab Tabs(DiagAlarmKey).Image 2
expect Diag MainTab Tabs(DiagTotalizerKey).Tag true
expect Diag MainTab Tabs(DiagTotalizerKey).Enabled true
expect Diag MainTab Tabs(DiagTotalizerKey).Image 2
expect Diag DiagSensorONOFF(0) state 4
expect Diag DiagSensorLabel(0) Visible false
expect Diag DiagSensorText(0) Visible false
expect Diag DiagSensorONOFF(0) Visible false
expect Diag DiagSensorLabel(4) Visible true
expect Diag DiagSensorONOFF(4) state 2
expect Diag DiagSensorText(7) Visible true
expect Diag DiagSensorText(7) BackColor 8454016
expect Diag DiagInputONOFF(0) state 2
expect Diag DiagAlarmONOFF(5) state 2
expect Diag DiagTotalizerONOFF(4) state 2
expect Diag DiagValueLabel(4) Visible true
expect Diag DiagValueONOFF(4) state 2
expect Diag DiagMemoryText(3) Visible true
expect Diag DiagMemoryONOFF(4) state 2
expect Diag MainTab SelectedItem.Key DiagSensorKey
expect-no-error

# Warnings: function test, a density alarm, external data loaded.
scenario warnings
run 100
expect Diag DiagConfigONOFF(0) state 3
expect Diag DiagConfigONOFF(1) state 2
expect Diag MainTab Tabs(DiagConfigKey).Image 3
expect Diag DiagAlarmONOFF(2) state 3
expect Diag DiagAlarmText(2) BackColor 65535
expect Diag DiagAlarmONOFF(0) state 2
expect Diag MainTab Tabs(DiagAlarmKey).Image 3
expect Diag DiagMemoryONOFF(2) state 3
expect Diag DiagMemoryONOFF(0) state 2
expect Diag MainTab Tabs(DiagMemoryKey).Image 3
expect Diag MainTab Tabs(DiagTotalizerKey).Image 2
expect Diag MainTab Tabs(DiagSensorKey).Image 2
tab Diag MainTab DiagAlarmKey
screenshot Diag diag_a10_warnings.png

# Sensor fault where the A10 variant reports it (E 0 in octet 0, bit 5).
scenario normal
scenario sensor-fault
run 100
expect Diag DiagSensorONOFF(1) state 1
expect Diag DiagSensorONOFF(4) state 2
expect Diag MainTab Tabs(DiagSensorKey).Image 1
expect Diag DiagMemoryONOFF(2) state 2
expect Diag MainTab Tabs(DiagMemoryKey).Image 2
expect Diag MainTab Tabs(DiagAlarmKey).Image 2
expect Diag DiagDeviceONOFF(0) state 3
expect Diag MainTab Tabs(DiagDeviceKey).Image 3

# Overrange: an output error and a mass-flow alarm; a totalizer overflow warning.
scenario normal
scenario overrange
run 100
expect Diag DiagOutputONOFF(0) state 1
expect Diag MainTab Tabs(DiagOutputKey).Image 1
expect Diag DiagAlarmONOFF(0) state 3
expect Diag MainTab Tabs(DiagAlarmKey).Image 3
scenario normal
scenario totalizer-overflow
run 100
expect Diag DiagTotalizerONOFF(0) state 3
expect Diag MainTab Tabs(DiagTotalizerKey).Image 3
expect Diag DiagOutputONOFF(0) state 2
expect Diag MainTab Tabs(DiagOutputKey).Image 2
scenario config-changed
run 100
expect Diag DiagConfigONOFF(1) state 3
expect Diag MainTab Tabs(DiagConfigKey).Image 3

# Fixed current: the A10 variant's output state items are registered but show nowhere.
scenario normal
scenario fixed-current
run 100
expect Diag DiagDeviceONOFF(4) state 3
expect Diag MainTab Tabs(DiagConfigKey).Image 2
expect Diag MainTab Tabs(DiagOutputKey).Image 2
scenario normal
run 100
expect-no-error

# Back to the standard variant with the Input tab selected: the tab is left for the first
# present one as soon as the standard error report marks Input absent.
tab Diag MainTab DiagInputKey
expect Diag MainTab SelectedItem.Key DiagInputKey
scenario variant-standard
run 100
expect-item HartRevision 0
expect Diag MainTab Tabs(DiagInputKey).Tag false
expect Diag MainTab Tabs(DiagInputKey).Enabled false
expect Diag MainTab Tabs(DiagInputKey).Image 4
expect Diag MainTab Tabs(DiagAlarmKey).Tag false
expect Diag MainTab Tabs(DiagAlarmKey).Enabled false
expect Diag MainTab Tabs(DiagTotalizerKey).Image 4
expect Diag MainTab SelectedItem.Key DiagDeviceKey
expect Diag DiagDeviceFrame Visible true
expect Diag DiagInputFrame Visible false
expect Diag DiagSensorLabel(0) Visible true
expect Diag DiagSensorONOFF(0) state 2
expect Diag DiagSensorLabel(4) Visible false
expect Diag DiagValueONOFF(4) state 4
expect Diag DiagMemoryLabel(2) Visible false

# A record of the standard variant still queued when the host reports the A10 variant is
# consumed without decoding: the error octets it carries light no row.
set HartRevision 1
bytes ADD_TRANSMITTER_STATE_ERROR FF FF FF
run 100
expect Diag DiagSensorONOFF(1) state 2
expect Diag DiagSensorONOFF(0) state 4
expect Diag DiagMemoryONOFF(0) state 2
expect Diag MainTab Tabs(DiagSensorKey).Image 2
expect Diag MainTab Tabs(DiagMemoryKey).Image 2
expect Diag MainTab Tabs(DiagInputKey).Tag true
expect Diag MainTab Tabs(DiagInputKey).Enabled true
expect-no-error
