# Every window of the component drawn as a user has it, connected, each page once; run in
# English and in German. Each screenshot is also a check: a control cut off, one under the
# status bar or a text wider than its control fails the line.
open Velumor.VelumorAlwaysView always
open Velumor.VelumorMainViewClass main
open Velumor.VelumorDiagViewClass diag
open Velumor.VelumorSimulationClass sim
open Velumor.VelumorDisplayTrendClass trend
open Velumor.VelumorDisplayAnalogClass analog
open Velumor.VelumorDisplayDigitalClass digital
open Velumor.VelumorDisplayBarClass bar
run 50
frame Connect
run 3000
tab main MainTab MainDeviceInfoKey
screenshot main main_device_info.png
tab main MainTab MainUnitsKey
screenshot main main_units.png
tab main MainTab MainValuesKey
screenshot main main_values.png
tab main MainTab MainMassCounterKey
screenshot main main_mass_counter.png
tab main MainTab MainVolumeCounterKey
screenshot main main_volume_counter.png
tab main MainTab MainDisplayKey
screenshot main main_display.png
tab main MainTab MainOperationKey
screenshot main main_operation.png
tab main MainTab MainCommentsKey
screenshot main main_comments.png
tab main MainTab MainOutputCfgKey
screenshot main main_output_configuration.png
tab main MainTab MainOutput1Key
screenshot main main_output1.png
tab main MainTab MainOutput2Key
screenshot main main_output2.png
tab main MainTab MainImpulseKey
screenshot main main_pulse.png
tab diag MainTab DiagDeviceKey
screenshot diag diag_device.png
tab diag MainTab DiagSensorKey
screenshot diag diag_sensor.png
tab diag MainTab DiagInputKey
screenshot diag diag_input.png
tab diag MainTab DiagValueKey
screenshot diag diag_values.png
tab diag MainTab DiagAlarmKey
screenshot diag diag_alarm.png
tab diag MainTab DiagTotalizerKey
screenshot diag diag_totalizer.png
tab diag MainTab DiagOutputKey
screenshot diag diag_output.png
tab diag MainTab DiagConfigKey
screenshot diag diag_configuration.png
tab diag MainTab DiagMemoryKey
screenshot diag diag_memory.png
screenshot sim simulation.png
run 5000
screenshot trend trend.png
screenshot analog analog.png
screenshot digital digital.png
screenshot bar bar.png
# Made larger, every window stays readable.
resize analog 9000 12000
resize digital 9000 9000
resize bar 9000 9000
resize diag 16000 12000
run 100
screenshot analog analog_large.png
screenshot digital digital_large.png
screenshot bar bar_large.png
screenshot diag diag_large.png
click main MenuAbout
screenshot VelumorAboutForm about.png
close VelumorAboutForm
expect-no-error
