#pragma once

// The fit's second thread: one worker, started with the program (so that no fit allocates to
// start it), that helps evaluate the tiles of a block and otherwise sleeps. None is started when
// the process may use only one CPU.

// Starts running task(context, tile, thread) once for every tile = 0..tileCount-1 and returns
// at once; FinishTiles runs the tiles still waiting on the calling thread (thread 0) and returns
// when all have run. With useWorker the worker (thread 1) takes tiles from the same counter from
// the start, so the caller can do other work meanwhile, and a thread held up by other work on
// the machine simply takes fewer; otherwise every tile runs in FinishTiles on the caller. The
// task must not throw, and must give the same result for a tile whichever thread runs it. One
// job at a time per calling thread: every StartTiles needs its FinishTiles before the next on the
// same thread. The worker serves one thread's job at a time; a job started while it serves
// another runs wholly on its caller.
// FinishTiles returns whether the worker held the caller up: the caller had run every tile left
// and still waited, past a short spin, for the worker's last one (as when the worker has lost
// its core to another program); always false for a job without the worker.
void StartTiles(void (*task)(void* context, int tile, int thread),
                void* context,
                int tileCount,
                bool useWorker);
bool FinishTiles();

// The CPUs this process may run on now: its affinity mask, at least 1. The worker is started,
// with the program, only when there are two or more.
int UsableCpus();

// Whether a worker thread is running.
bool FitWorkerAvailable();
