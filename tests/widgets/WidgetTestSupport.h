// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "CoreApplication.h"
#include "QtPrinters.h"

#include <QApplication>
#include <QColor>
#include <QPixmap>
#include <QPoint>
#include <QWidget>
#include <memory>

class QWindow;

// The one application object of the test process, made on first use.
inline void EnsureApplication() { test_support::EnsureApplication<QApplication>(); }

// A solid picture, told apart from others by colour and size.
QPixmap SolidPicture(QColor colour, QSize size = QSize(20, 10));

// A borderless top-level window at the given bounds, shown and exposed.
std::unique_ptr<QWidget> ShowSkinnedWindow(const QRect& bounds);

// Synthesized mouse input that goes the whole way through the window system
// layer, as a real pointer would: positions are global, and a button held
// since an earlier press stays held.
void PressAt(QWidget* window, QPoint global, Qt::MouseButton button = Qt::LeftButton);
void MoveTo(QWidget* window, QPoint global, Qt::KeyboardModifiers modifiers = {});
void ReleaseAt(QWidget* window, QPoint global, Qt::MouseButton button = Qt::LeftButton);
// Two left clicks in quick succession: the second press arrives as a double click.
void DoubleClickAt(QWidget* window, QPoint global);
