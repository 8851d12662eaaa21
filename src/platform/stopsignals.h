#pragma once
// Ending on request from outside: a screen-saver host stops its savers with SIGTERM (when the user
// comes back, when it switches savers, when the monitor goes to sleep), a terminal with SIGINT or
// SIGHUP. The program must then end cleanly and at once, which a signal handler cannot do itself:
// the handler only writes a byte into a pipe, and the window thread reads it like any other event
// (StopNotifier) and ends the show from there.
//
// A second stop signal ends the process the default way, so one that hangs while ending can still
// be stopped.

namespace qel::platform {

// Installs the handlers for SIGTERM, SIGINT and SIGHUP. Call it early, before the first thread
// starts, so the signals reach this handler whichever thread they are delivered to. Only the first
// call does anything. False when the pipe or a handler could not be set up (the signals then keep
// their default action).
bool CatchStopSignals();

// The pipe's read end, readable once a stop signal has come; -1 before CatchStopSignals.
[[nodiscard]] int StopSignalDescriptor();

// Asks the system for a stop signal (SIGTERM) when the process that started this one ends, so a
// process run on another's behalf (the idle service's show) never outlives it; also at once when
// that process ends while the request is made. Linux only: false elsewhere, and when the request
// was refused.
bool StopWithParent();

// A stop signal has come.
[[nodiscard]] bool StopSignalReceived();

}  // namespace qel::platform
