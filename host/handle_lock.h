// Locking the two host handles that keep the plug-in's blocks between calls:
// the parameters handle (FilterRecord.parameters) and the data handle (kept
// in the host's data slot).
#pragma once

// Locks both handles and sets the working pointers. On failure stores a host
// result: errPlugInHostInsufficient without handle procs, filterBadParameters
// when a handle is missing, memFullErr when the host cannot lock one.
void LockHandles();

// Unlocks what LockHandles locked and clears the working pointers. Safe to
// call at any time: handles this call never locked are left alone.
void UnlockHandles();
