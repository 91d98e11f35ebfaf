# The four measured-value displays in German against the simulated RQ4400: captions, menus,
# channel captions from the German texts, a simulated minute connected, and a screenshot of
# each window.
open Velumor.VelumorAlwaysView Always
open Velumor.VelumorDisplayTrendClass Trend
open Velumor.VelumorDisplayAnalogClass Analog
open Velumor.VelumorDisplayDigitalClass Digital
open Velumor.VelumorDisplayBarClass Bar
run 200
expect Trend . Caption "Trendanzeige, [0] RQ4400 Coriolis Mass Flowmeter: MASS FLOW LINE 1"
expect Bar . Caption "Balkenanzeige, [0] RQ4400 Coriolis Mass Flowmeter: MASS FLOW LINE 1"
expect Analog MenuFile Caption "&Datei"
expect Analog MenuDevice Caption "&Gerät"
expect Analog VelumorStatusBar Panels(StatusBarCommText).Text "getrennt"
expect Analog Output1Tolvar4Needle ChannelCaption "Masse - Durchfluß:"
expect Digital Output2Tolvar4Digital ChannelCaption "Dichte:"
expect Bar PulseTolvar4BarGraph ChannelCaption "Volumendurchfluß:"
expect Trend VR_Tolvar4Plotter ChannelCaption(4) "Temperatur:"
frame Connect
run 1000
expect Analog VelumorStatusBar Panels(StatusBarCommText).Text "Verbunden"
run 60000
screenshot Trend displays_trend_de.png
screenshot Analog displays_analog_de.png
screenshot Digital displays_digital_de.png
screenshot Bar displays_bar_de.png
frame Disconnect
run 1000
expect-no-message
expect-no-error
