# The diagnosis window against the simulated RQ4400, beside the supervision view: it opens at
# its minimum size with nine tabs, the rows the standard variant lacks off, follows the connection, reads the
# device's status on a double-click of a Device row, resets the configuration-changed flag
# with "Rst.", and prints its report to a file.
open Velumor.VelumorAlwaysView Always
open Velumor.VelumorDiagViewClass Diag
run 50
expect Diag . Width 8040
expect Diag MainTab Tabs.Count 9
expect Diag MainTab SelectedItem.Key DiagDeviceKey
expect Diag DiagDeviceFrame Visible true
expect Diag DiagSensorFrame Visible false
expect Diag DiagLimitsFrame Visible false
expect Diag DiagSensorText(4) Text off
expect Diag DiagSensorText(4) BackColor 12632261
expect Diag DiagSensorONOFF(4) state 4
expect Diag DiagCommand(1) Caption Rst.
expect Diag DiagCommand(4) Caption Sim
expect Diag . Caption "Diagnostics, [0] RQ4400 Coriolis Mass Flowmeter: MASS FLOW LINE 1"
expect Diag VelumorStatusBar Panels(StatusBarCommText).Text Disconnected
# Nothing is running: the progress frame is hidden once the progress items report 0.
expect Diag ProgressFrame Visible false
screenshot Diag diag_disconnected.png

# Connected: the panel follows, the Device buttons and the device entries come alive.
frame Connect
run 3000
expect-item &&private&&connect 2
expect Diag VelumorStatusBar Panels(StatusBarCommText).Text Connected
expect Diag DiagCommand(1) Enabled true
expect Diag DiagCommand(4) Enabled true
expect Diag MenuLoadDev Enabled true

# A double-click on a Device row reads the status again; "Rst." resets the flag.
scenario config-changed
dblclick Diag DiagDeviceLabel(1)
expect Diag SeqStartTimer Enabled true
run 3000
click Diag DiagCommand(1)
run 3000
expect Diag SeqStartTimer Enabled false

# Each group is reached through its tab; a group is shown alone.
tab Diag MainTab DiagOutputKey
expect Diag DiagOutputFrame Visible true
expect Diag DiagDeviceFrame Visible false
resize Diag 9000 6500
expect Diag DiagOutputFrame Width 8580
tab Diag MainTab DiagDeviceKey
expect Diag DiagDeviceFrame Width 8580
screenshot Diag diag_connected.png

# The report to a file.
printdialog tofile
savefile VR_Diag.prn
click Diag MenuPrint
expect-no-message

# Disconnected: every row turns pale.
frame Disconnect
run 3000
expect Diag VelumorStatusBar Panels(StatusBarCommText).Text Disconnected
expect Diag DiagCommand(1) Enabled false
expect Diag DiagSensorText(3) ForeColor -2147483631
close Diag
run 10
expect-no-error
