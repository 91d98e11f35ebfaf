# The supervision view against the simulated RQ4400: the menu states follow the connection,
# the tag name and the address reach the device items, and a read that the meter refuses with
# a response code asks the user, who repeats it.
open Velumor.VelumorAlwaysView Always
run 10
expect Always . Visible false
expect Always . Caption "AlwaysView / Statemachine, RQ4400 Coriolis Mass Flowmeter"
expect-item "&&Menu_State&&VelumorDiagView" 3
expect-no-error

# Connected: Connect disabled, the device entries enabled.
frame Connect
run 3000
expect-item "&&private&&Connect" 2
expect-item "&&Menu_State&&Connect" 1
expect-item "&&Menu_State&&Disconnect" 3
expect-item "&&Menu_State&&MenuSetSlaveAddr" 3
expect-item "&&Menu_State&&LoadFromDevice" 3
expect-item "&&Menu_State&&SaveToDevice" 3

# The tag name is packed into TAG; a numeric address goes to INSTRUMENT_ADDRESS.
set "&&private_PM&&TagName" "FT-101"
set "&&private_PM&&Address" "5"
run 10
expect-item TAG "FT-101"
expect-item INSTRUMENT_ADDRESS 5
expect Always . Caption "AlwaysView / Statemachine, [5] RQ4400 Coriolis Mass Flowmeter: "

# The meter answers the next read of command 13 with code 3 (parameter too large). The
# supervision view asks; the user repeats the request, and the second run succeeds.
scenario response-code:HART_COMMAND_013_READ=3
answer retry
frame LoadFromDevice
run 10000
expect-message "RECORD_STATE_RESPONSE_RECEIVE_READ  :  HART_COMMAND_013_READ"
expect Always List1 ListCount 1
expect Always List1 List(0) "RECORD_STATE_RESPONSE_RECEIVE_READ  :  HART_COMMAND_013_READ"
expect Always lblError Caption "VR_RESPONSE_PARAMETER_TOO_LARGE"
expect Always lblState Caption "0x10"
expect Always lblResponse Caption ""
expect Always cmdRepeat Enabled false
expect Always . Visible false
expect-item SequenceName UPLOAD
expect-item SequenceState 0
expect-item LastCommandResponseSummary 0
expect-no-error

# A code with bit 7 (a communication error) is repeated without asking.
scenario response-code:HART_COMMAND_013_READ=129
frame LoadFromDevice
run 10000
expect-no-message
expect Always List1 ListCount 1
expect-no-error

# Disconnected: the reverse.
frame Disconnect
run 3000
expect-item "&&Menu_State&&Connect" 3
expect-item "&&Menu_State&&Disconnect" 1
expect-item "&&Menu_State&&SaveToDevice" 1
expect-no-error
destroy Always
