// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/Application.h"

#include "core/CoreLogging.h"
#include "core/PlainText.h"
#include "core/ProductTitle.h"

#include <QMessageBox>

#include <exception>

TGlimviewApplication::TGlimviewApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

bool TGlimviewApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ShowCurrentException();
    }
    return false;
}

void TGlimviewApplication::ShowCurrentException()
{
    try {
        throw;
    } catch (const std::exception& error) {
        ShowException(QString::fromUtf8(error.what()));
    } catch (...) {
        ShowException(QStringLiteral("Unknown error"));
    }
}

void TGlimviewApplication::ShowException(const QString& text)
{
    // The box runs its own event loop, where another handler may fail too;
    // a second box on top of the first would pile up without end.
    if (FShowingException) {
        qCWarning(lcCore, "%s", qPrintable(text));
        return;
    }
    FShowingException = true;
    ShowPlainMessage(nullptr, QMessageBox::Critical, ProductTitle(), text);
    FShowingException = false;
}
