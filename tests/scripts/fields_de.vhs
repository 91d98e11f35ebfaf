# The host's value fields in a German session, on the simulation window's fixed current: numbers
# shown with the decimal comma and taken with either mark; a refused value told in German and
# nothing written; a current the meter refuses (30 mA), answered Ignore, is not reported as
# finished and the field shows the meter's current again; a window opened while the output is
# fixed shows the fixed current instead of writing its "0" over it.
open Velumor.VelumorAlwaysView Always
open Velumor.VelumorSimulationClass Sim
run 100
frame Connect
run 400
expect Sim CurrentText(0) Text "0,000"
expect-item PRIMARY_FIXED_CURRENT 0

# Either decimal mark; the field shows the comma, the item keeps the number.
text Sim CurrentText(0) "12.25"
expect-item PRIMARY_FIXED_CURRENT 12.25
text Sim CurrentText(0) "12,5"
expect-item PRIMARY_FIXED_CURRENT 12.5
expect Sim CurrentText(0) Text "12,500"
expect Sim CurrentText(0) LastError ""

# No number: told why in German, the field shows the item again, nothing is written.
text Sim CurrentText(0) "abc"
expect Sim CurrentText(0) LastError "Fester Schleifenstrom: \"abc\" ist keine Zahl"
expect Sim CurrentText(0) Text "12,500"
expect-item PRIMARY_FIXED_CURRENT 12.5
text Sim CurrentText(0) "1.234,5"
expect Sim CurrentText(0) LastError "Fester Schleifenstrom: \"1.234,5\" ist keine Zahl"
expect-item PRIMARY_FIXED_CURRENT 12.5

# The window reads the field's "12,500" as 12.5 mA: Adjust fixes the output there.
click Sim OperationModeOption(1)
expect-no-message
expect-item PRIMARY_FIXED_CURRENT 12.5
click Sim AdjustCommand
run 3000
expect-item "&&Sequence_State&&SeqHART_COMMAND_040_Write" 0
expect-item PRIMARY_CURR 12.5
expect Sim VelumorStatusBar Panels(StatusBarSimulationLED).ToolTipText "Simulation aktiv"
run 3000
expect-windows MessageForm 0

# 30 mA is more than the loop carries: the meter refuses and the prompt says so. Answered
# Ignore, the run goes to its end without "erfolgreich beendet", and the field shows the
# meter's 12.5 mA again.
text Sim CurrentText(0) "30"
expect-item PRIMARY_FIXED_CURRENT 30
click Sim AdjustCommand
run 3000
expect Always . Visible true
expect Always lblError Caption "VR_RESPONSE_PARAMETER_TOO_LARGE"
click Always cmdIgnore
run 500
expect-windows MessageForm 0
expect-item "&&Sequence_State&&SeqHART_COMMAND_040_Write" 1024
expect-item SequenceState 1024
expect-item PRIMARY_FIXED_CURRENT 12.5
expect Sim CurrentText(0) Text "12,500"
expect-item PRIMARY_CURR 12.5
expect-no-error

# Closed with the output fixed (Ja leaves it fixed) and opened again: the window shows the
# fixed current and writes nothing over it, so Adjust would keep the output where it is.
answer yes
close Sim
expect-message "Simulation noch aktiv."
run 100
answer no
open Velumor.VelumorSimulationClass Sim
run 500
expect-message "Gerätedaten aus dem Gerät auslesen"
expect Sim CurrentText(0) Text "12,500"
expect-item PRIMARY_FIXED_CURRENT 12.5
expect Sim OperationModeOption(1) Value true
expect-no-error
answer yes
