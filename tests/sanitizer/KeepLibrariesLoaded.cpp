// SPDX-License-Identifier: GPL-2.0-or-later
// Linked into every test program of the sanitized build. LeakSanitizer names
// the library of a leak's frames only while that library is loaded, and the
// suppressions go by library; Mesa unloads its driver when the last display
// closes, long before the leak check at exit. So no library is unloaded here:
// the program's own dlclose, exported, stands in for the C library's.
extern "C" int dlclose(void*) { return 0; }
