# The simulated meter's outputs follow the output assignment once it is downloaded: before the
# download the display follows what the host holds while the meter still puts mass flow on
# current output 1; after it, output 1 carries volume flow in m³/h and output 2 mass flow.
open Velumor.VelumorAlwaysView Always
open Velumor.VelumorDisplayAnalogClass Analog
frame Connect
run 1000
expect-item PRIMARY_UNITS 75
expect-item SECOND_UNITS 92
set CURRENT_OUTPUT_1_OUTPUT_VARIABLE 1
set CURRENT_OUTPUT_2_OUTPUT_VARIABLE 0
run 500
expect Analog Output1Tolvar4Needle ScaleMaxItemName "CURRENT_OUTPUT_1_QV_MAX_VALUE"
expect-item PRIMARY_UNITS 75
frame StartSequence DOWNLOAD
run 5000
expect-item &&Sequence_State&&DOWNLOAD 0
expect-item PRIMARY_UNITS 19
expect-item SECOND_UNITS 75
expect Analog Output2Tolvar4Needle ScaleMaxItemName "QM_MAXIMUM_VALUE"
