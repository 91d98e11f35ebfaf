# The fixed-current guard keeps its window at the end of the session (the default answer
# keeps the output fixed): the host lets go of the view, and the window, which lives until it
# is unloaded, must close with the host rather than outlive it.
open Velumor.VelumorSimulationClass v4
answer ok
scenario fixed-current
run 100
