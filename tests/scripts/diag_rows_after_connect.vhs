# Rows drawn while disconnected stay pale until their status is read again while connected.
# The device reports the same octets as before the connect: the read still brings every group
# back to full colours, the active sensor error included.
scenario sensor-fault
open Velumor.VelumorDiagViewClass Diag
run 500
expect-no-error
expect Diag DiagSensorONOFF(1) state 1
expect Diag DiagSensorText(1) ForeColor -2147483631
expect Diag DiagConfigText(0) ForeColor -2147483631
frame Connect
run 1000
expect-item "&&private&&connect" 2
# Only the Device rows are drawn again by the connect itself.
expect Diag DiagDeviceText(0) ForeColor -2147483640
expect Diag DiagSensorText(1) ForeColor -2147483631
# A double-click on a Device row asks the device for its status.
dblclick Diag DiagDeviceLabel(0)
run 3000
expect Diag DiagSensorONOFF(1) state 1
expect Diag DiagSensorText(1) BackColor 255
expect Diag DiagSensorText(1) ForeColor -2147483640
expect Diag DiagSensorText(0) ForeColor -2147483640
expect Diag DiagConfigText(0) ForeColor -2147483640
expect Diag DiagOutputText(0) ForeColor -2147483640
expect Diag DiagMemoryText(0) ForeColor -2147483640
expect Diag MainTab Tabs(DiagSensorKey).Image 1
expect-no-message
expect-no-error
