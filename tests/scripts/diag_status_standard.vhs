# The diagnosis window against the simulated RQ4400 in its standard variant: the status items
# of the variant are read at start-up, each scenario of the meter lights its rows and tab
# icons, the field device status shows as warnings on the Device tab, and the rows follow the
# connection (full colours while connected, pale otherwise).
open Velumor.VelumorDiagViewClass Diag
run 500
expect-no-error

# Not connected: the standard variant's rows are drawn pale, the rows it lacks are off.
expect Diag DiagSensorONOFF(0) state 2
expect Diag DiagSensorText(0) Text "No"
expect Diag DiagSensorText(0) BackColor 8454016
expect Diag DiagSensorText(0) ForeColor -2147483631
expect Diag DiagSensorLabel(0) Visible true
expect Diag DiagSensorONOFF(4) state 4
expect Diag DiagSensorLabel(4) Visible false
expect Diag DiagSensorText(7) Visible false
expect Diag DiagSensorONOFF(7) Visible false
expect Diag DiagInputONOFF(0) state 4
expect Diag DiagInputText(1) BackColor 12632261
expect Diag DiagAlarmONOFF(5) state 4
expect Diag DiagTotalizerONOFF(0) state 4
expect Diag DiagValueONOFF(4) state 4
expect Diag DiagValueLabel(4) Visible false
expect Diag DiagMemoryText(2) Visible false
expect Diag DiagMemoryONOFF(4) Visible false
expect Diag DiagConfigONOFF(0) state 2
expect Diag MainTab Tabs(DiagInputKey).Image 4
expect Diag MainTab Tabs(DiagInputKey).Tag false
expect Diag MainTab Tabs(DiagInputKey).Enabled false
expect Diag MainTab Tabs(DiagAlarmKey).Image 4
expect Diag MainTab Tabs(DiagAlarmKey).Tag false
expect Diag MainTab Tabs(DiagAlarmKey).Enabled false
expect Diag MainTab Tabs(DiagTotalizerKey).Image 4
expect Diag MainTab Tabs(DiagTotalizerKey).Tag false
expect Diag MainTab Tabs(DiagTotalizerKey).Enabled false
expect Diag MainTab Tabs(DiagSensorKey).Image 2
expect Diag MainTab Tabs(DiagSensorKey).Tag true
expect Diag MainTab Tabs(DiagSensorKey).Enabled true
expect Diag MainTab Tabs(DiagMemoryKey).Image 2
expect Diag MainTab Tabs(DiagConfigKey).Image 2
# A first field device status of 0 draws nothing: the Device rows stay off.
expect Diag DiagDeviceONOFF(0) state 4
expect Diag MainTab Tabs(DiagDeviceKey).Image 2

# Connected: the Device rows are drawn from the kept status byte, in full colours.
frame Connect
run 1000
expect-item "&&private&&connect" 2
expect Diag DiagDeviceONOFF(0) state 2
expect Diag DiagDeviceText(0) BackColor 8454016
expect Diag DiagDeviceText(0) ForeColor -2147483640
expect Diag DiagDeviceONOFF(7) state 2
expect Diag MainTab Tabs(DiagDeviceKey).Image 2

# Sensor fault: E 0 is an error on the Sensor tab; the malfunction flag is a warning.
scenario sensor-fault
run 100
expect Diag DiagSensorONOFF(1) state 1
expect Diag DiagSensorText(1) Text "Yes"
expect Diag DiagSensorText(1) BackColor 255
expect Diag DiagSensorText(1) ForeColor -2147483640
expect Diag DiagSensorONOFF(0) state 2
expect Diag DiagSensorONOFF(2) state 2
expect Diag MainTab Tabs(DiagSensorKey).Image 1
expect Diag MainTab Tabs(DiagValueKey).Image 2
expect Diag DiagDeviceONOFF(0) state 3
expect Diag DiagDeviceText(0) Text "Warning"
expect Diag DiagDeviceText(0) BackColor 65535
expect Diag DiagDeviceONOFF(3) state 3
expect Diag DiagDeviceONOFF(1) state 2
expect Diag MainTab Tabs(DiagDeviceKey).Image 3
screenshot Diag diag_sensor_fault.png

scenario normal
run 100
expect Diag DiagSensorONOFF(1) state 2
expect Diag MainTab Tabs(DiagSensorKey).Image 2
expect Diag DiagDeviceONOFF(0) state 2
expect Diag DiagDeviceONOFF(3) state 2
expect Diag MainTab Tabs(DiagDeviceKey).Image 2

# Fixed current: only the field device status says so.
scenario fixed-current
run 100
expect Diag DiagDeviceONOFF(4) state 3
expect Diag DiagDeviceONOFF(0) state 2
expect Diag MainTab Tabs(DiagDeviceKey).Image 3
expect Diag MainTab Tabs(DiagSensorKey).Image 2
scenario normal
run 100
expect Diag DiagDeviceONOFF(4) state 2
expect Diag MainTab Tabs(DiagDeviceKey).Image 2

# Warnings: "Function Test on" is a warning of the Config tab.
scenario warnings
run 100
expect Diag DiagConfigONOFF(0) state 3
expect Diag DiagConfigText(0) BackColor 65535
expect Diag DiagConfigONOFF(1) state 2
expect Diag MainTab Tabs(DiagConfigKey).Image 3
scenario config-changed
run 100
expect Diag DiagConfigONOFF(1) state 3
expect Diag DiagDeviceONOFF(1) state 3
expect Diag MainTab Tabs(DiagConfigKey).Image 3

# An empty pipe and an overrange are errors of the Value and Output tabs.
scenario normal
scenario empty-pipe
run 100
expect Diag DiagConfigONOFF(0) state 2
expect Diag MainTab Tabs(DiagConfigKey).Image 2
expect Diag DiagValueONOFF(0) state 1
expect Diag DiagValueONOFF(1) state 2
expect Diag MainTab Tabs(DiagValueKey).Image 1
scenario overrange
run 100
expect Diag DiagOutputONOFF(0) state 1
expect Diag MainTab Tabs(DiagOutputKey).Image 1
expect-no-error

# Disconnected: every row turns pale and keeps its value.
frame Disconnect
run 1000
expect-item "&&private&&connect" 0
expect Diag DiagValueONOFF(0) state 1
expect Diag DiagValueText(0) BackColor 12632319
expect Diag DiagValueText(0) ForeColor -2147483631
expect Diag DiagValueText(1) BackColor 8454016
expect Diag DiagDeviceText(1) ForeColor -2147483631

# A report while not connected is drawn pale.
scenario normal
run 100
expect Diag DiagValueONOFF(0) state 2
expect Diag DiagValueText(0) ForeColor -2147483631
expect Diag MainTab Tabs(DiagValueKey).Image 2
expect-no-error
