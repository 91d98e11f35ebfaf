# Host values at and beyond the edges of Long: a connection state or data source that names no
# text or picture shows none, a choice that does not fit a Long drops its notification, and no
# window raises a run-time error. A fitting value afterwards is shown as before.
open Velumor.VelumorMainViewClass Main
open Velumor.VelumorDisplayAnalogClass Analog
open Velumor.VelumorDisplayTrendClass Trend
open Velumor.VelumorDisplayDigitalClass Digital
open Velumor.VelumorDisplayBarClass Bar
run 500
expect-no-error

set &&private&&connect 2147483647
set &&private&&CurrentSource 2147483647
run 200
expect-no-error
expect Main VelumorStatusBar Panels(StatusBarCommText).Text ""
expect Analog VelumorStatusBar Panels(StatusBarCommText).Text ""
set &&private&&connect -2147483648
set &&private&&CurrentSource -2147483648
run 200
expect-no-error
set &&private&&connect 0
run 200
expect Main VelumorStatusBar Panels(StatusBarCommText).Text "Disconnected"
expect Bar VelumorStatusBar Panels(StatusBarCommText).Text "Disconnected"

set DISPLAY_2ND_LINE 1e15
set CURRENT_OUTPUT_1_OUTPUT_VARIABLE 2147483648
set CURRENT_OUTPUT_2_OUTPUT_VARIABLE -2147483649
set PULSE_OUTPUT_MODE 2147483648
run 500
expect-no-error
shadow CURRENT_OUTPUT_1_OUTPUT_VARIABLE 1e300
shadow PULSE_OUTPUT_MODE -1e300
run 500
expect-no-error
expect Analog Output1Tolvar4Needle ChannelCaption "Mass Flow:"

# A fitting assignment afterwards: the windows follow it again.
set CURRENT_OUTPUT_2_OUTPUT_VARIABLE 1
run 500
expect-no-error
expect Analog Output2Tolvar4Needle ScaleMaxItemName "CURRENT_OUTPUT_2_QV_MAX_VALUE"
expect Trend VR_Tolvar4Plotter ScaleMaxItemName(2) "CURRENT_OUTPUT_2_QV_MAX_VALUE"
