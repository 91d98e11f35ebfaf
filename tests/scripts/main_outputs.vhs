# The main window's output checks and diagnosis lamp against the simulated RQ4400: labels and
# span rows follow the chosen variables, a choice the device holds that differs from the fixed
# assignment is reported, the pulse page follows mode and units, the lamp blinks for errors.
open Velumor.VelumorAlwaysView always
open Velumor.VelumorMainViewClass main
run 50
frame Connect
run 2000
expect-item &&private&&connect 2

# The fixed assignment as the meter starts.
expect main ValueLabelTextUnit(0) LabelText "Mass Flow:"
expect main ValueLabelTextUnit(1) LabelText "Volume Flow:"
expect main ValueLabelTextUnit(2) LabelText "Density:"
expect main ValueLabelTextUnit(3) LabelText "Temperature:"
expect main Output1MLabelTextUnit(0) Visible true
expect main Output1DLabelTextUnit(0) Visible false
expect main Output2DLabelTextUnit(1) Visible true
expect main Output2MLabelTextUnit(1) Visible false
expect main PulseText(1) Visible true
expect main PulseText(0) Visible false
expect main PulseLabel(3) Caption "Pulse / m³"
expect-no-message

# Output 1 set to density with the device in agreement: the label names it, no message.
set CURRENT_OUTPUT_1_OUTPUT_VARIABLE 2
run 50
expect main ValueLabelTextUnit(0) LabelText "Density"
expect main Output1DLabelTextUnit(0) Visible true
expect main Output1DLabelTextUnit(1) Visible true
expect main Output1MLabelTextUnit(0) Visible false
expect-no-message

# The device holds temperature while the shadow still says density: written back and reported.
answer ok
set CURRENT_OUTPUT_1_OUTPUT_VARIABLE 3
shadow CURRENT_OUTPUT_1_OUTPUT_VARIABLE 2
run 50
expect-message "Configuration Error\r\nIout 1:Temperature <> Mass flow"
expect-item CURRENT_OUTPUT_1_OUTPUT_VARIABLE 3

# Back to the fixed choice: written back without a word.
set CURRENT_OUTPUT_1_OUTPUT_VARIABLE 0
run 50
expect main ValueLabelTextUnit(0) LabelText "Mass Flow:"
expect main Output1MLabelTextUnit(1) Visible true
expect-no-message

# The pulse output counts mass: its rating and unit follow.
set PULSE_OUTPUT_MODE 0
run 50
expect main ValueLabelTextUnit(1) LabelText "Mass flow"
expect main PulseText(0) Visible true
expect main PulseText(1) Visible false
expect main PulseLabel(3) Caption "Pulse / kg"
set PULSE_FACTOR_QM_UNIT 60
run 50
expect main PulseLabel(3) Caption "Pulse / g"
set PULSE_OUTPUT_MODE 1
run 50

# The display's second line off its fixed temperature.
answer ok
set DISPLAY_2ND_LINE 1
shadow DISPLAY_2ND_LINE 11
run 50
expect-message "Configuration Error\r\nDisplay 2nd Line:Mass flow <> Temperature"

# The diagnosis lamp: an error blinks red and off, a warning with it red and yellow.
bytes ADD_TRANSMITTER_STATE_ERROR 00 00 00
run 50
expect main DiagnoseONOFF state 2
expect main DiagLEDTimer Enabled false
bytes ADD_TRANSMITTER_STATE_ERROR 00 04 00
run 10
expect main DiagnoseONOFF state 1
expect main DiagLEDTimer Enabled true
run 500
expect main DiagnoseONOFF state 4
run 500
expect main DiagnoseONOFF state 1
bytes ADD_TRANSMITTER_STATE_STATE 01 00
run 10
expect main DiagnoseONOFF state 1
run 500
expect main DiagnoseONOFF state 3
bytes ADD_TRANSMITTER_STATE_ERROR 00 00 00
bytes ADD_TRANSMITTER_STATE_STATE 00 00
run 10
expect main DiagnoseONOFF state 2
expect main DiagLEDTimer Enabled false

# The second device variant reads its own items; a warning there blinks yellow.
set HartRevision 1
run 50
bytes A10_ADD_TRANSMITTER_STATE_WARNINGS 00 00 08
run 10
expect main DiagnoseONOFF state 3
run 500
expect main DiagnoseONOFF state 4
# The first variant's items no longer reach the lamp.
bytes ADD_TRANSMITTER_STATE_ERROR FF FF FF
run 500
expect main DiagnoseONOFF state 3
bytes A10_ADD_TRANSMITTER_STATE_WARNINGS 00 00 00
run 10
expect main DiagnoseONOFF state 2
expect-no-error
