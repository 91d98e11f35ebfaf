# Screenshots of the simulation window as the Qt front end draws it, run once in English and
# once in German: at its minimum size, connected, with the output fixed and the lamp lit.
open Velumor.VelumorSimulationClass Sim
run 100
screenshot Sim simulation_start.png
frame Connect
run 400
text Sim CurrentText(0) "12.5"
click Sim OperationModeOption(1)
click Sim AdjustCommand
run 2000
expect Sim VelumorStatusBar Panels(StatusBarSimulationLED).Picture "bitmap:103"
screenshot Sim simulation_fixed.png
click Sim OperationModeOption(0)
run 2000
expect Sim VelumorStatusBar Panels(StatusBarSimulationLED).Picture "bitmap:104"
expect-no-error
