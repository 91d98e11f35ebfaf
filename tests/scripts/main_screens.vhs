# Screenshots of the Output 1, Output 2 and Pulse pages of the main window after the output
# choices changed (output 1 density, output 2 volume flow, pulse output mass flow); the same
# script runs in English and German.
open Velumor.VelumorAlwaysView always
open Velumor.VelumorMainViewClass main
run 50
frame Connect
run 2000
set CURRENT_OUTPUT_1_OUTPUT_VARIABLE 2
set CURRENT_OUTPUT_2_OUTPUT_VARIABLE 1
set PULSE_OUTPUT_MODE 0
run 50
expect main Output1DLabelTextUnit(0) Visible true
expect main Output2VLabelTextUnit(0) Visible true
expect main PulseText(0) Visible true
tab main MainTab MainOutput1Key
run 10
screenshot main output1.png
tab main MainTab MainOutput2Key
run 10
screenshot main output2.png
tab main MainTab MainImpulseKey
run 10
screenshot main pulse.png
tab main MainTab MainValuesKey
run 10
screenshot main values.png
expect-no-message
expect-no-error
