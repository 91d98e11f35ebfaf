# The four measured-value displays against the simulated RQ4400, all open at once, in
# English: each opens at its minimum size with its menus and status bar, configures its
# instruments from the device's output assignment, follows the connection, stretches its
# rows (the trend window keeps its size while connected), and plots and points at the
# meter's values through a simulated minute.
open Velumor.VelumorAlwaysView Always
open Velumor.VelumorDisplayTrendClass Trend
open Velumor.VelumorDisplayAnalogClass Analog
open Velumor.VelumorDisplayDigitalClass Digital
open Velumor.VelumorDisplayBarClass Bar
run 200

# Minimum sizes, captions, menus and the status bar.
expect Trend . Width 7800
expect Trend . Height 7855
expect Analog . Width 5640
expect Analog . Height 7255
expect Digital . Width 5400
expect Digital . Height 5575
expect Bar . Width 5640
expect Bar . Height 7135
expect Trend . Caption "Trend Display, [0] RQ4400 Coriolis Mass Flowmeter: MASS FLOW LINE 1"
expect Analog . Caption "Analog Display, [0] RQ4400 Coriolis Mass Flowmeter: MASS FLOW LINE 1"
expect Digital . Caption "Digital Display, [0] RQ4400 Coriolis Mass Flowmeter: MASS FLOW LINE 1"
expect Bar . Caption "Bar Graph, [0] RQ4400 Coriolis Mass Flowmeter: MASS FLOW LINE 1"
expect Analog MenuFile Caption "&File"
expect Analog MenuContents Caption "&Contets"
expect Analog MenuConnect Enabled true
expect Analog MenuSetAddress Enabled false
expect Analog VelumorStatusBar Panels(StatusBarCommText).Text "Disconnected"
expect Analog VelumorStatusBar Panels(StatusBarCommText).ToolTipText "Communication State:Disconnected"

# The instruments as the device's assignment says: mass flow, density, volume flow, temperature.
expect Analog Output1Tolvar4Needle ChannelCaption "Mass Flow:"
expect Analog Output1Tolvar4Needle ScaleMaxItemName "QM_MAXIMUM_VALUE"
expect Analog Output1Tolvar4Needle ScaleMinItemName "0"
expect Analog Output2Tolvar4Needle ChannelCaption "Density:"
expect Analog Output2Tolvar4Needle ScaleMaxItemName "CURRENT_OUTPUT_2_UPP_DENSITY_LIMIT_VALUE"
expect Analog PulseTolvar4Needle ChannelCaption "Volume Flow:"
expect Analog PulseTolvar4Needle ScaleMaxItemName "CURRENT_OUTPUT_1_QV_MAX_VALUE"
expect Analog Display2ndLineTolvar4Needle ChannelCaption "Temperature:"
expect Analog Display2ndLineTolvar4Needle Visible true
expect Digital Output1Tolvar4Digital DigitalFormat "#########UUUUUUUUUUUU"
expect Bar Output2Tolvar4BarGraph ValueItemName "SECOND_VALUE"
expect Trend VR_Tolvar4Plotter ChannelCaption(1) "Mass Flow:"
expect Trend VR_Tolvar4Plotter ChannelCaption(2) "Density:"
expect Trend VR_Tolvar4Plotter ChannelCaption(3) "Volume Flow:"
expect Trend VR_Tolvar4Plotter ChannelCaption(4) "Temperature:"
expect Trend VR_Tolvar4Plotter ScaleMaxItemName(4) "CURRENT_OUTPUT_1_UPP_TEMP_LIMIT_VALUE"
screenshot Trend displays_trend_disconnected_en.png

# Disconnected, the trend window takes a new size; its plot takes the change.
resize Trend 8400 8000
expect Trend VR_Tolvar4Plotter Width 7905
resize Trend 7800 7855
expect Trend VR_Tolvar4Plotter Width 7305

frame Connect
run 1000
expect-item &&private&&connect 2
expect Analog VelumorStatusBar Panels(StatusBarCommText).Text "Connected"
expect Analog MenuSetAddress Enabled true

# Connected: the trend window keeps its size; the others stretch their rows.
resize Trend 9000 9000
expect Trend . Width 7800
expect Trend . Height 7855
resize Analog 6640 8455
expect Analog Output1Tolvar4Needle Width 6055
expect Analog Output1Tolvar4Needle Top 240
expect Analog Output1Tolvar4Needle Height 1665
expect Analog Display2ndLineTolvar4Needle Top 5460
expect Analog Display2ndLineValueTolvar4Text Left 3280
resize Bar 6640 8335
expect Bar PulseTolvar4BarGraph Top 3600
expect Bar PulseUnitTolvar4Text Left 4480
resize Digital 6400 6775
expect Digital PulseTolvar4Digital Top 3000
expect Digital PulseTolvar4Digital Width 5815

# A simulated minute: the curves move, the needles point at the meter's values.
run 60000
screenshot Trend displays_trend_en.png
screenshot Analog displays_analog_en.png
screenshot Digital displays_digital_en.png
screenshot Bar displays_bar_en.png

# A change of assignment reconfigures the channel: output 2 to volume flow, the second line to
# a totalizer (which has no scale: the second-line instruments hide, the curve is cleared).
set CURRENT_OUTPUT_2_OUTPUT_VARIABLE 1
set DISPLAY_2ND_LINE 3
run 200
expect Analog Output2Tolvar4Needle ScaleMaxItemName "CURRENT_OUTPUT_2_QV_MAX_VALUE"
expect Analog Display2ndLineTolvar4Needle Visible false
expect Analog Display2ndLineValueTolvar4Text Visible true
expect Trend VR_Tolvar4Plotter ChannelCaption(4) ""
expect Trend VR_Tolvar4Plotter ScaleMaxItemName(2) "CURRENT_OUTPUT_2_QV_MAX_VALUE"
set DISPLAY_2ND_LINE 11
run 200
expect Analog Display2ndLineTolvar4Needle Visible true
expect Analog Display2ndLineTolvar4Needle ChannelCaption "Temperature:"

frame Disconnect
run 1000
expect-item &&private&&connect 0
close Analog
close Digital
close Bar
close Trend
expect-no-message
expect-no-error
