#pragma once
// A hook for the tests alone: built with KORVANE_KILL_HOOK (a copy of the
// platform library that only the test programs link), every registry or file
// write the program makes is counted, and the process ends right after the
// write that KORVANE_KILL_AT_WRITE names, as a power cut or Task Manager
// would end it. KORVANE_COUNT_WRITES names a file that holds the count so far.
// The shipped programs are built without it: the macro is empty there.
#ifdef KORVANE_KILL_HOOK
namespace korvane::win32 {
void WriteDone();
}
#define KORVANE_WRITE_DONE() ::korvane::win32::WriteDone()
#else
#define KORVANE_WRITE_DONE() ((void)0)
#endif
