// SPDX-License-Identifier: GPL-2.0-or-later
// The Qt application with the program's general error report: an exception
// that escapes an event handler is shown in a message box and the program
// goes on with the next event.
#pragma once

#include <QApplication>

class TGlimviewApplication : public QApplication {
    Q_OBJECT

public:
    TGlimviewApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // The box's caption is the product window title.
    void ShowException(const QString& text);

private:
    bool FShowingException = false;
};
