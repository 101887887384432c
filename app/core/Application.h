// SPDX-License-Identifier: GPL-2.0-or-later
// The Qt application with the program's general error report: an exception
// that ends a handler (see ErrorGuard.h) is shown in a message box and the
// program goes on. notify() catches whatever a handler let escape, as the
// last net.
#pragma once

#include <QApplication>

class TGlimviewApplication : public QApplication {
    Q_OBJECT

public:
    TGlimviewApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // The box's caption is the product window title.
    void ShowException(const QString& text);
    // Shows the exception being handled; call it only from a catch block.
    void ShowCurrentException();

private:
    bool FShowingException = false;
};
