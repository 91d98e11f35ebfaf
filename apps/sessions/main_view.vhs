# The road of one request with the simulated RQ4400: the supervision view and the main window,
# connect, upload with its progress bar, then the pages show the device's values. Runs in
# either language (run.sh runs it in German and in English).
open Velumor.VelumorAlwaysView always
open Velumor.VelumorMainViewClass main
run 50
# Registered: the start-up panel is gone; offline only the Device-Info page is offered.
expect main InitFrame Visible false
expect main MainTab Visible true
expect main MainTab Tabs.Count 1
expect main . Width 8760
screenshot main 01_offline.png
# Connect: the device's pages come.
click main MenuConnect
run 3000
expect-item &&private&&connect 2
expect main MainTab Tabs.Count 12
# Upload: the green bar runs over the status bar, then goes.
click main MenuLoadDev
run 300
expect main ProgressFrame Visible true
expect main shp_fg_upload Visible true
screenshot main 02_upload.png
run 20000
expect main ProgressFrame Visible false
screenshot main 03_device_info.png
tab main MainTab MainValuesKey
run 1000
screenshot main 04_values.png
tab main MainTab MainMassCounterKey
run 500
screenshot main 05_mass_totalizer.png
tab main MainTab MainOutput1Key
run 500
screenshot main 06_output1.png
tab main MainTab MainCommentsKey
text main CommentsText "Commissioned 2026-12-09\r\nFlow direction checked"
run 100
expect-item COMMENTS_01 "Commissioned 2026-12-09"
expect-item COMMENTS_02 "Flow direction checked"
screenshot main 07_notes.png
dump main main_view.json
items items.json
echo session done
expect-no-error
