# A changed data set asks to be saved whenever its window goes: at the host's Destroy, at the
# user's close and at the host's own end of the session.
open Velumor.VelumorDiagViewClass Diag
run 100
set SaveToDataBaseOnExit 1
set &&private&&Dirty 1
run 100
answer no
destroy Diag
expect-message "Save data set to database?"
expect-windows VelumorDiagViewForm 0
open Velumor.VelumorMainViewClass Main
run 100
answer no
close Main
expect-message "Save data set to database?"
expect-windows VelumorMainViewForm 0
# A destroy line with nobody to answer the question fails; the session's end (below) does not.
open Velumor.VelumorSimulationClass Sim
run 100
expect-no-message
expect-item &&private&&Dirty true
# The session ends with the simulation window open and nothing queued: its question takes the
# default button, and the log says so (the test checks the line).
