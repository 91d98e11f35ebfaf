# The output simulation window against the simulated RQ4400: the engineer fixes the primary
# current output at 12.5 mA ("Adjust" sends HART command 40 through the host's sequence), the
# meter reports the loop current fixed and the status-bar lamp lights; closing asks first and
# No keeps the window; "Normal opration" returns the output and the lamp goes out. A typed
# current that is no number is refused with a message and nothing is written.
open Velumor.VelumorSimulationClass Sim
run 100
# The host sends the address and the descriptor at once: the whole caption.
expect Sim . Caption "Simulation, [0] RQ4400 Coriolis Mass Flowmeter: MASS FLOW LINE 1"
expect Sim OperationModeOption(0) Caption "Normal opration"
expect Sim OperationModeOption(1) Caption "Fixed output"
expect Sim AdjustCommand Caption "&Adjust"
expect Sim VelumorStatusBar Panels(StatusBarSimulationLED).ToolTipText "Simulation not activ"
expect Sim CurrentText(0) Text "0.000"
expect-item PRIMARY_FIXED_CURRENT 0
expect-no-message
expect-no-error

expect Sim MenuSetAddress Enabled false

frame Connect
run 400
expect-item "&&private&&connect" 2
expect Sim VelumorStatusBar Panels(StatusBarCommText).Text "Connected"
expect Sim MenuSetAddress Enabled true

# A field that holds no number is not a current: refused with a message, nothing written.
set PRIMARY_FIXED_CURRENT "x"
run 10
answer ok
click Sim OperationModeOption(1)
expect-message "The fixed current entered is not a number: \"x\""
expect-item PRIMARY_FIXED_CURRENT "x"
expect Sim AdjustCommand Enabled true

# Fix the output: the typed current goes to the meter with command 40 when Adjust is pressed.
text Sim CurrentText(0) "12.5"
expect-item PRIMARY_FIXED_CURRENT 12.5
click Sim OperationModeOption(1)
expect-no-message
expect-item PRIMARY_FIXED_CURRENT 12.5
click Sim AdjustCommand
run 2000
expect-item "&&Sequence_State&&SeqHART_COMMAND_040_Write" 0
expect-item PRIMARY_CURR 12.5
expect Sim VelumorStatusBar Panels(StatusBarSimulationLED).ToolTipText "Simulation activ"
expect Sim VelumorStatusBar Panels(StatusBarSimulationLED).Picture "bitmap:103"
expect-no-error

# Closing while the loop current is fixed asks; No keeps the window.
answer no
close Sim
expect-message "Simulation still activ.\r\nClose window ?"
expect Sim . Visible true
expect Sim VelumorStatusBar Panels(StatusBarSimulationLED).Picture "bitmap:103"

# Back to normal operation: 0 leaves fixed-current mode and the lamp goes out.
click Sim OperationModeOption(0)
expect Sim AdjustCommand Enabled false
expect-item PRIMARY_FIXED_CURRENT 0
run 2000
expect Sim VelumorStatusBar Panels(StatusBarSimulationLED).ToolTipText "Simulation not activ"
expect Sim VelumorStatusBar Panels(StatusBarSimulationLED).Picture "bitmap:104"
expect-no-error

# Now the window closes without a question.
close Sim
expect-no-message
expect-no-error
