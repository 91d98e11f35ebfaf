# A view class opened again through the host while a window of it is open: the open window
# comes to the front, no second window is made and its start-up question is not asked again.
# Once that window is closed, the same command opens a new one.
open Velumor.VelumorAlwaysView Always
open Velumor.VelumorMainViewClass main
frame Connect
run 1000
expect-item &&private&&connect 2
expect-no-message
tab main MainTab MainValuesKey

# Diagnose: the diagnosis window opens and asks for the upload once (Cancel).
answer cancel
click main DiagnoseCommand
run 500
expect-message "Upload of data from device?"
expect-windows VelumorDiagViewForm 1

# Diagnose again, and the device menu's entry: still one window, no question.
minimize VelumorDiagViewForm
click main DiagnoseCommand
run 500
frame OpenView VelumorDiagViewClass
run 500
expect-no-message
expect-windows VelumorDiagViewForm 1
expect VelumorDiagViewForm . WindowState 0

# Closed by the user, the window is gone; Diagnose opens a new one and asks again.
close VelumorDiagViewForm
run 500
expect-windows VelumorDiagViewForm 0
answer cancel
click main DiagnoseCommand
run 500
expect-message "Upload of data from device?"
expect-windows VelumorDiagViewForm 1
