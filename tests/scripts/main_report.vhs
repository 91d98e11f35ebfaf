# The parameter report of the main window against the simulated RQ4400, written to a text
# file (compared with the stored report of the language the script runs in), and its
# failure and cancel paths. No language-bound expectations: it runs in English and German.
open Velumor.VelumorAlwaysView always
open Velumor.VelumorMainViewClass main
run 50
frame Connect
run 2000
expect-item &&private&&connect 2
# Output 1 measures density: its rows carry the mark.
set CURRENT_OUTPUT_1_OUTPUT_VARIABLE 2
set PULSE_OUTPUT_MODE 0
run 50
printdialog tofile
savefile VR_Data.prn
click main MenuPrint
run 50
expect-no-message
expect-no-error

# Cancel in either dialog: nothing written, nothing said.
printdialog cancel
click main MenuPrint
printdialog tofile
canceldialog
click main MenuPrint
run 50
expect-no-message

# A folder as the target, and a folder nobody may write in: a message, no file.
printdialog tofile
savefile /proc
answer ok
click main MenuPrint
expect-message "\r\n/proc"
printdialog tofile
savefile /sys/VR_Data.prn
answer ok
click main MenuPrint
expect-message "/sys/VR_Data.prn"

# To the printer; the window goes on working afterwards.
printdialog ok 2
click main MenuPrint
run 500
expect-no-message
# The window registered its items anew after each report and still follows them.
set CURRENT_OUTPUT_1_OUTPUT_VARIABLE 0
run 500
expect main Output1MLabelTextUnit(0) Visible true
expect-no-error
