// An exclusive lock file that keeps two client processes from working on the same directory.
#pragma once

// Opens or creates the file (mode 0600) and locks it without waiting. Returns the descriptor, or
// -1 when the file cannot be opened or another process holds the lock. The lock is a POSIX
// record lock: it excludes other processes, not other threads of this one, and it goes away when
// this process closes any descriptor of the same file.
int vesk_lock_file_acquire(const char *path);
// Unlocks and closes. False for a negative descriptor or a failed unlock (closed all the same).
bool vesk_lock_file_release(int descriptor);
