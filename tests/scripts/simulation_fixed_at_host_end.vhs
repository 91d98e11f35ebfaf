# The host ends while the simulation window holds the output fixed. The user's close asks
# "Close window ?" and No keeps the window; the host's own shut-down then closes it without
# asking, so neither the window nor its view outlives the host (the sanitizer build checks
# that nothing leaks).
open Velumor.VelumorSimulationClass Sim
run 100
frame Connect
run 400
text Sim CurrentText(0) "12.5"
click Sim OperationModeOption(1)
click Sim AdjustCommand
run 2000
expect Sim VelumorStatusBar Panels(StatusBarSimulationLED).ToolTipText "Simulation activ"
answer no
close Sim
expect-message "Close window ?"
expect Sim . Visible true
# The script's end destroys the view: the window asks again, and No keeps it once more.
answer no
