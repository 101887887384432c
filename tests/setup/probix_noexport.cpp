// SPDX-License-Identifier: GPL-2.0-or-later
// A library named like Probix.so that lacks its export.
extern "C" __attribute__((visibility("default"))) int fnSomethingElse() { return 1; }
