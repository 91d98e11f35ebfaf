# velumor-fuzz found it: a unit, mode or count item set to a huge value and then downloaded
# made the simulated meter convert the value to an integer out of range.
open GenericView.GenericViewClass table
frame Connect
run 2000
set UNITS_TOTALIZER_QM 1e300
set TOTALIZER_QM_OVERFLOW_F 9.3e18
set FLOW_DIRECTION -1e300
set CURRENT_OUTPUT_1_OUTPUT_VARIABLE 4294967296
frame StartSequence FULL_DOWNLOAD
run 20000
frame StartSequence UPLOAD
run 20000
scenario totalizer-overflow
run 5000
expect-no-error
