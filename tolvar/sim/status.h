#pragma once
// Result and status codes of the simulated host beyond the ones the applet contract names.
// Like every host code they are negative as 32-bit integers; compare them as int32_t.
#include <cstdint>

#include "tolvar/applet/applet.h"

namespace tolvar::sim {

// A number that does not fit the type the caller asked for (GetLongValue of 3e10, ...).
inline constexpr int32_t kStatusOutOfRange = static_cast<int32_t>(0x804A0015u);
// The device is not connected, so nothing can be sent to it.
inline constexpr int32_t kStatusNotConnected = static_cast<int32_t>(0x804A0016u);
// The data-set database could not do what was asked; the session keeps the message.
inline constexpr int32_t kStatusDatabase = static_cast<int32_t>(0x804A0017u);
// A view could not be created or shown.
inline constexpr int32_t kStatusViewFailed = static_cast<int32_t>(0x804A0018u);
// The host session has ended; objects handed out earlier answer with this.
inline constexpr int32_t kStatusHostGone = static_cast<int32_t>(0x804A0019u);
// The user cancelled a host dialog (data-set choice, address).
inline constexpr int32_t kStatusCancelled = static_cast<int32_t>(0x804A001Au);
// An adjust ran and one of its records failed; the device objects were not re-read.
inline constexpr int32_t kStatusAdjustFailed = static_cast<int32_t>(0x804A001Bu);
// A bad argument: unknown kind, empty name, a menu handle past the end.
inline constexpr int32_t kStatusBadArgument = static_cast<int32_t>(0x804A001Cu);
// A device-menu function the host does not offer.
inline constexpr int32_t kStatusNotSupported = static_cast<int32_t>(0x804A001Du);

// Record states ("&&Record_State&&R").
inline constexpr int32_t kRecordFinished = 0;
inline constexpr int32_t kRecordWriteRequested = 1;
inline constexpr int32_t kRecordReadRequested = 2;
inline constexpr int32_t kRecordWaitingWrite = 4;
inline constexpr int32_t kRecordWaitingRead = 8;
inline constexpr int32_t kRecordReadResponse = 16;   // 17 repeated, 18 last try
inline constexpr int32_t kRecordWriteResponse = 32;  // 33 repeated
// Not run since the host started: no view reports it (the device description's default).
inline constexpr int32_t kRecordIdle = 512;

// Response-control values ("&&Record_Response_Control&&R").
inline constexpr int32_t kControlNone = 0;
inline constexpr int32_t kControlRepeat = 1;
inline constexpr int32_t kControlContinue = 2;
inline constexpr int32_t kControlFail = 4;

// Sequence states ("&&Sequence_State&&S").
inline constexpr int32_t kSequenceFinished = 0;
inline constexpr int32_t kSequenceWriteRequested = 1;
inline constexpr int32_t kSequenceReadRequested = 2;
inline constexpr int32_t kSequenceAdjustStopping = 16;
inline constexpr int32_t kSequenceWriteActive = 32;
inline constexpr int32_t kSequenceReadActive = 64;
inline constexpr int32_t kSequenceAdjustActive = 128;
// A run that ended without success. Not 0, so that nobody reads it as "successfully finished".
inline constexpr int32_t kSequenceFailed = 256;
// Not run since the host started: no view reports it (the device description's default).
inline constexpr int32_t kSequenceIdle = 512;
// A run that went on to its end after the device refused one of its records (the refusal was
// answered Ignore): not "successfully finished", since the device did not do what was asked.
inline constexpr int32_t kSequenceRefused = 1024;

}  // namespace tolvar::sim
