# The supervision view against the simulated RQ4400, beside the main window: the host's menu
# states follow the connection, the device variant, the address and the tag name reach the
# device items, and a read that the meter answers with a response code asks the user in the
# view's own window, whose answer (repeat, ignore, fail, or the close box) decides how the
# upload goes on. A communication error (bit 7) is repeated without asking.
open Velumor.VelumorAlwaysView Always
open Velumor.VelumorMainViewClass Main
run 500
# A fresh meter: nothing has run, so nothing reports a state.
expect-windows MessageForm 0
expect-windows VelumorAlwaysViewForm 0
expect Always . Visible false
expect Always . Caption "AlwaysView / Statemachine, [0] RQ4400 Coriolis Mass Flowmeter: MASS FLOW LINE 1"
expect Always List1 ListCount 0
expect Always cmdRepeat Enabled false
expect Always cmdIgnore Enabled false
expect Always cmdError Enabled false
expect-item MFR_DEVICE_NAME "RQ4400"

# Disconnected: only Connect is enabled of the connection entries; the others are shown
# enabled whatever the connection.
expect-item "&&Menu_State&&Connect" 3
expect-item "&&Menu_State&&Disconnect" 1
expect-item "&&Menu_State&&MenuSetSlaveAddr" 1
expect-item "&&Menu_State&&LoadFromDevice" 1
expect-item "&&Menu_State&&SaveToDevice" 1
expect-item "&&Menu_State&&OpenFromDatabase" 3
expect-item "&&Menu_State&&LoadFromFile" 3
expect-item "&&Menu_State&&SaveToFile" 3
expect-item "&&Menu_State&&SaveAsToDatabase" 3
expect-item "&&Menu_State&&GenericView" 3
expect-item "&&Menu_State&&VelumorMainView" 3
expect-item "&&Menu_State&&VelumorDiagView" 3
expect-item "&&Menu_State&&VelumorSimulationView" 3
expect-no-message
expect-no-error

# The device variant follows the count of additional status octets in the command-48
# response (its last four octets): 25 makes it the A10 variant, 5 the standard one, any other
# count leaves it. The view looks whenever the status octets change.
bytes "&&Record_Response&&HART_COMMAND_048_ReadOctets" 00 00 00 00 00 19
bytes ADD_TRANSMITTER_STATE 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 01
run 10
expect-item HartRevision 1
bytes "&&Record_Response&&HART_COMMAND_048_ReadOctets" 00 00 00 00 00 07
bytes ADD_TRANSMITTER_STATE 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00
run 10
expect-item HartRevision 1
bytes "&&Record_Response&&HART_COMMAND_048_ReadOctets" 00 00 00 00 00 05
bytes ADD_TRANSMITTER_STATE 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 01
run 10
expect-item HartRevision 0
bytes ADD_TRANSMITTER_STATE 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00
run 10

# Connected: Connect disabled, the device entries enabled, the rest as they were.
frame Connect
run 400
expect-item "&&private&&Connect" 2
expect-item "&&Menu_State&&Connect" 1
expect-item "&&Menu_State&&Disconnect" 3
expect-item "&&Menu_State&&MenuSetSlaveAddr" 3
expect-item "&&Menu_State&&LoadFromDevice" 3
expect-item "&&Menu_State&&SaveToDevice" 3
expect-item "&&Menu_State&&OpenFromDatabase" 3
expect-item "&&Menu_State&&SaveAsToDatabase" 3
expect-item "&&Menu_State&&VelumorDiagView" 3
expect-item "&&Menu_State&&VelumorSimulationView" 3

# A numeric address goes to INSTRUMENT_ADDRESS and the caption; one with letters only to the
# caption.
set "&&private_PM&&Address" "5"
run 10
expect-item INSTRUMENT_ADDRESS 5
expect Always . Caption "AlwaysView / Statemachine, [5] RQ4400 Coriolis Mass Flowmeter: MASS FLOW LINE 1"
set "&&private_PM&&Address" " 7A "
run 10
expect-item INSTRUMENT_ADDRESS 5
expect Always . Caption "AlwaysView / Statemachine, [7A] RQ4400 Coriolis Mass Flowmeter: MASS FLOW LINE 1"
# Trimmed first, then cut at the NUL: the blank before it stays.
set "&&private_PM&&Address" "12 \0  "
run 10
expect Always . Caption "AlwaysView / Statemachine, [12 ] RQ4400 Coriolis Mass Flowmeter: MASS FLOW LINE 1"
expect-item INSTRUMENT_ADDRESS 12
set "&&private_PM&&Address" "5"
run 10

# The tag name is padded to eight characters and packed into TAG. The host keeps a packed
# ASCII item as its text (upper case, trailing blanks dropped) and packs it again for whoever
# reads its octets, so the text is what can be compared: a packing fault would show as other
# characters, missing padding as a lost last group.
set "&&private_PM&&TagName" "ab"
run 10
expect-item TAG "AB"
set "&&private_PM&&TagName" "  pt-7  "
run 10
expect-item TAG "PT-7"
set "&&private_PM&&TagName" ""
run 10
expect-item TAG "PT-7"
expect-no-message
expect-no-error

# An upload shows exactly its own states, each in a message window of its own.
frame LoadFromDevice
run 400
expect-windows MessageForm 2
expect MessageForm MessageLabel Caption "UPLOAD\r\nread activ"
run 3000
expect-item "&&Sequence_Progress&&UPLOAD" 100
expect MessageForm MessageLabel Caption "UPLOAD\r\nsuccessfully finished"
run 3000
expect-windows MessageForm 0
expect-no-message

# The meter answers the next run of command 13 with code 3 (parameter too large). The view
# asks in its own window; the user repeats the request, which then reads the tag from the
# meter, and the upload finishes.
inject HART_COMMAND_013_READ 3
frame LoadFromDevice
run 3000
expect Always . Visible true
expect Always List1 ListCount 1
expect Always List1 List(0) "RECORD_STATE_RESPONSE_RECEIVE_READ  :  HART_COMMAND_013_READ"
expect Always lblError Caption "VR_RESPONSE_PARAMETER_TOO_LARGE"
expect Always lblState Caption "0x10"
expect Always cmdRepeat Enabled true
expect Always cmdIgnore Enabled true
expect Always cmdError Enabled true
# The upload waits for the answer; the rest of the session does not.
expect-item "&&Record_State&&HART_COMMAND_013_READ" 16
screenshot Always supervision_prompt.png
click Always cmdRepeat
run 3000
expect Always lblResponse Caption ""
expect Always cmdRepeat Enabled false
expect Always cmdIgnore Enabled false
expect Always cmdError Enabled false
expect Always . Visible false
expect-item TAG "FT-101"
expect-item "&&Record_State&&HART_COMMAND_013_READ" 0
expect-item SequenceName UPLOAD
expect-item SequenceState 0
expect-item "&&Sequence_Progress&&UPLOAD" 100
expect-item "&&private&&CurrentSource" 2
expect-item LastCommandResponseSummary 0
expect-item RecordState 0
expect-no-message
expect-no-error

# The same code answered with the close box, which is Ignore: the record is not sent again
# (the tag keeps the view's value), the window stays loaded and the upload goes on to its end,
# which the host reports with a state of its own (1024), not as "successfully finished".
set "&&private_PM&&TagName" "PT-8"
run 10
expect-item TAG "PT-8"
inject HART_COMMAND_013_READ 3
frame LoadFromDevice
run 3000
expect Always . Visible true
close Always
run 3000
expect Always List1 ListCount 2
expect Always List1 List(0) "RECORD_STATE_RESPONSE_RECEIVE_READ  :  HART_COMMAND_013_READ"
expect Always . Visible false
expect Always lblError Caption "VR_RESPONSE_PARAMETER_TOO_LARGE"
expect-item TAG "PT-8"
expect-item SequenceState 1024
expect-item "&&Sequence_Progress&&UPLOAD" 100
expect-no-message
expect-no-error

# A code without a text of its own, failed by the user: the upload ends there, with the
# record's code as the last response.
inject HART_COMMAND_013_READ 7
frame LoadFromDevice
run 3000
expect Always lblError Caption "7:  unknown error"
expect Always lblState Caption "0x10"
click Always cmdError
run 3000
expect Always List1 ListCount 3
expect Always . Visible false
expect-item TAG "PT-8"
expect-item SequenceName UPLOAD
expect-item SequenceState 256
expect-item "&&Sequence_Progress&&UPLOAD" 0
expect-item "&&Record_State&&HART_COMMAND_013_READ" 0
expect-item LastCommandResponseSummary 7
expect-no-message
expect-no-error

# A code with bit 7 (a communication error) is repeated without asking, and the repeat reads
# the tag from the meter.
set "&&private_PM&&TagName" "PT-9"
run 10
expect-item TAG "PT-9"
inject HART_COMMAND_013_READ &H81
frame LoadFromDevice
run 3000
expect-no-message
expect Always List1 ListCount 3
expect-item TAG "FT-101"
expect-item SequenceState 0
expect-item "&&Sequence_Progress&&UPLOAD" 100
expect-no-error

# A write the meter refuses (code 5): the prompt names the write and its state, the user
# repeats it, and the sequence finishes.
inject HART_COMMAND_038_WRITE 5
frame StartSequence SeqHART_COMMAND_038_Write
run 3000
expect Always . Visible true
expect Always List1 ListCount 4
expect Always List1 List(0) "RECORD_STATE_RESPONSE_RECEIVE_WRITE  :  HART_COMMAND_038_WRITE"
expect Always List1 List(3) "RECORD_STATE_RESPONSE_RECEIVE_READ  :  HART_COMMAND_013_READ"
expect Always lblError Caption "VR_RESPONSE_INCORRECT_BYTE_COUNT"
expect Always lblState Caption "0x20"
click Always cmdRepeat
run 3000
expect Always . Visible false
expect-item SequenceName SeqHART_COMMAND_038_Write
expect-item SequenceState 0
expect-item LastCommandResponseSummary 0
expect-no-message
expect-no-error

# The log is cleared with the window's Clear button.
inject HART_COMMAND_038_WRITE 5
frame StartSequence SeqHART_COMMAND_038_Write
run 3000
expect Always List1 ListCount 5
click Always cmdClear
expect Always List1 ListCount 0
expect Always . Visible true
click Always cmdIgnore
run 3000
expect Always . Visible false
expect-item SequenceState 1024
expect-no-error

# Disconnected: the reverse.
frame Disconnect
run 300
expect-item "&&private&&Connect" 0
expect-item "&&Menu_State&&Connect" 3
expect-item "&&Menu_State&&Disconnect" 1
expect-item "&&Menu_State&&MenuSetSlaveAddr" 1
expect-item "&&Menu_State&&LoadFromDevice" 1
expect-item "&&Menu_State&&SaveToDevice" 1
expect-item "&&Menu_State&&OpenFromDatabase" 3
expect-item "&&Menu_State&&VelumorDiagView" 3
expect-no-message
expect-no-error

# Once the supervision view is gone nobody asks: the host decides by itself, and a code
# without bit 7 fails the upload. The menu states stay as the view last wrote them.
destroy Always
run 10
frame Connect
run 400
expect-item "&&Menu_State&&Connect" 3
inject HART_COMMAND_013_READ 3
frame LoadFromDevice
run 3000
expect-no-message
expect-item "&&Sequence_State&&UPLOAD" 256
expect-item SequenceState 1024
# The host's Destroy lets the main window ask for its changed data set.
answer no
destroy Main
run 10
expect-message "Save data set to database?"
expect-no-error
