# The host ends while the simulation window holds the output fixed. The user's close asks
# "Close window ?" and No keeps the window; the host's own end asks again, and with no answer
# queued the box takes its default button, Yes (the test checks the session log for it), so
# neither the window nor its view outlives the host (the sanitizer build checks that nothing
# leaks).
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
