// SPDX-License-Identifier: GPL-2.0-or-later
// What the gallery tests share: one Qt application per test program, private
// temporary folders, outside tools, and a hand for the
// modal boxes a window under test opens.
#pragma once

#include "CoreApplication.h"

#include <QApplication>
#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

class QWidget;

inline void EnsureApplication() { test_support::EnsureApplication<QApplication>(); }

// Runs a program to its end; its standard output and error together.
QByteArray RunTool(const QString& program, const QStringList& arguments, int* exitCode = nullptr);

// A picture whose every quarter has its own colour, so that scaling or
// flipping shows.
QImage QuarteredPicture(int width, int height, QRgb topLeft = qRgb(200, 30, 30));

// Acts on each modal box the moment it opens: the handler gets the modal
// widget and closes it. Counts the boxes it has seen.
class TModalHand : public QObject {
public:
    using THandler = std::function<void(QWidget* modal)>;
    explicit TModalHand(THandler handler);
    int Seen() const { return FSeen; }

private:
    QTimer FTimer;
    THandler FHandler;
    int FSeen = 0;
};

// Types the path into an open file dialog and accepts it; a dialog that
// will not take it is cancelled, so a test fails rather than hangs.
void AcceptFileDialog(QWidget* modal, const QString& path);

// Clicks the button of the open message box that has the given role text
// (e.g. "&Yes", "&No", "OK").
void ClickMessageBoxButton(QWidget* modal, const QString& text);
