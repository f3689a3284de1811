#pragma once

#include <QList>

// Threads of this process as the kernel sees them, for checks that a
// receive thread has really ended rather than idling or spinning.
namespace process_threads {

// Thread ids under /proc/self/task.
QList<int> ids();
int count();
// The number of the system call the thread is blocked in, or -1 when the
// kernel does not tell (or the thread is running).
long currentSyscall(int tid);

} // namespace process_threads
