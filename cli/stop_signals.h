#pragma once

// SIGINT and SIGTERM as a request to stop: the first is remembered, and harmora-fit stops between
// files, after the line it is writing, so that no cut line is left; a second one ends the process
// at once, as the signal does by default.
void CatchStopSignals();

// 0, or the signal that asked to stop.
int StopSignal();
