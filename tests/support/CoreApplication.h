// SPDX-License-Identifier: GPL-2.0-or-later
// The Qt application object for tests (QCoreApplication, or QApplication for
// widgets): made once, on first use, and kept for the whole test program.
#pragma once

#include <QCoreApplication>

namespace test_support {

template <typename Application = QCoreApplication> void EnsureApplication()
{
    static int argc = 1;
    static char name[] = "glimview_tests";
    static char* argv[] = { name, nullptr };
    if (!QCoreApplication::instance())
        new Application(argc, argv);
}

} // namespace test_support
