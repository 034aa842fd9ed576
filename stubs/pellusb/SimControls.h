/* Test controls of the simulated instrument in the pellusb stand-in (exports prefixed sim_, not part of the
   real library). Only tests include this header. */
#ifndef PELLUSB_SIM_CONTROLS_H
#define PELLUSB_SIM_CONTROLS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum TSimSignalShape { ssSine = 0, ssSquare = 1, ssTriangle = 2 };

/* Everything back to the start: model from PELLUSB_SIMULATE, calibrated memory, link up, empty log. */
typedef void (*Tsim_Reset)(void);
/* The model type the instrument reports (any value; -1 detaches the instrument). */
typedef void (*Tsim_SetModel)(int32_t Type);
/* Breaks (0) or restores (1) the link; the callback hears of it in the next call that reaches the device. */
typedef void (*Tsim_SetLinkUp)(int32_t Up);
/* The link breaks inside the Calls-th call that reaches the device from now (1: the next); 0 cancels. */
typedef void (*Tsim_BreakLinkAfter)(int32_t Calls);
typedef void (*Tsim_WriteMemory)(int32_t Address, const uint8_t *Bytes, int32_t Count);
typedef void (*Tsim_ReadMemory)(int32_t Address, uint8_t *Bytes, int32_t Count);
/* Changes one byte of the calibration record so that its checksum fails. */
typedef void (*Tsim_DamageCalibration)(void);
/* Makes the logic reject every configuration load. */
typedef void (*Tsim_SetImageMismatch)(int32_t On);
typedef int32_t (*Tsim_IsConfigured)(void);
/* Register writes as they reached the device: three cells each (register, value, 1 when the write that
   sent it was the flushing one, 0 when it was queued). Returns the number of entries in the log. */
typedef int32_t (*Tsim_ReadRegisterLog)(int32_t *Cells, int32_t MaxEntries);
typedef void (*Tsim_ClearRegisterLog)(void);
/* The value last written to a register. */
typedef int32_t (*Tsim_GetRegister)(int32_t Register);

/* Virtual time: on, it stands still until advanced (ns); off, it follows the steady clock. */
typedef void (*Tsim_SetManualTime)(int32_t On);
typedef void (*Tsim_AdvanceTime)(double Nanoseconds);
/* The signal at input A (0) or B (1); the external input follows A as a logic-level square wave. */
typedef void (*Tsim_SetSignal)(int32_t Channel, int32_t Shape, double FrequencyHz, double AmplitudeV,
                               double OffsetV);
/* Seed of the random sample-clock phases. */
typedef void (*Tsim_SetSeed)(uint32_t Seed);
/* The trigger phase every capture reports (0: random phases in 143..249). */
typedef void (*Tsim_SetPhase)(int32_t Phase);
/* The sample count the instrument reports for a complete capture, whatever it holds (0: the record length).
 */
typedef void (*Tsim_SetSampleCount)(int32_t Count);
/* The last capture: its trigger time, sample interval and the time of FIFO sample Index (ns). */
typedef double (*Tsim_TriggerTime)(void);
typedef double (*Tsim_SampleInterval)(void);
typedef double (*Tsim_SampleTime)(int32_t Index);
/* Screen level (unclipped) of an input at a time, through the front end as the registers set it now. */
typedef double (*Tsim_InputLevel)(int32_t Channel, double TimeNs);

#ifdef __cplusplus
}
#endif

#endif /* PELLUSB_SIM_CONTROLS_H */
