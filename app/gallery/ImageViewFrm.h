// SPDX-License-Identifier: GPL-2.0-or-later
// TImageViewForm: one photo at full size, with a menu item that hands it to
// the paint program. Every view is a window of its own that frees itself,
// and its picture, when it is closed.
#pragma once

#include <QImage>
#include <QMainWindow>

class QLabel;

class TImageViewForm : public QMainWindow {
    Q_OBJECT
public:
    // The owner (the photo gallery) takes the viewers still open with it.
    explicit TImageViewForm(QWidget* owner);

    void SetPicture(const QImage& picture);
    const QImage& Picture() const { return FPicture; }

    // Writes the picture as a bitmap into the documents folder and opens it
    // in the paint program. A file that cannot be written raises EFCreateError.
    void miEditClick();
    // Where miEditClick writes.
    static QString ExportFileName();

private:
    QLabel* imgView;
    QImage FPicture;
};
