# A short session with the simulated RQ4400: the supervision view and the main window,
# connect, upload, and a look at the window in both of its first states.
open Velumor.VelumorAlwaysView always
open Velumor.VelumorMainViewClass main
run 50
expect main InitFrame Visible false
expect main MainTab Tabs.Count 1
expect main . Width 8760
dump main main_view.json
screenshot main main_view.png
frame Connect
run 2000
expect-item &&private&&connect 2
expect main MainTab Tabs.Count 12
items items.json
echo session done
expect-no-error
