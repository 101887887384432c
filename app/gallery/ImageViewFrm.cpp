// SPDX-License-Identifier: GPL-2.0-or-later
#include "gallery/ImageViewFrm.h"

#include "core/ErrorGuard.h"
#include "core/LanguageTexts.h"
#include "core/PlainText.h"
#include "core/ProductTitle.h"
#include "gallery/FileCreateError.h"
#include "gallery/MediaStore.h"
#include "gallery/PaintProgram.h"
#include "gallery/SaveLocation.h"
#include "widgets/TaskbarEntry.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QShortcut>

TImageViewForm::TImageViewForm(QWidget* owner)
    : QMainWindow(owner,
        Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
            | Qt::WindowCloseButtonHint)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QStringLiteral("Image View"));
    KeepOffTaskbar(this);
    QAction* miEdit = menuBar()->addAction(QStringLiteral("&Edit in MS-Paint"));
    connect(miEdit, &QAction::triggered, this, Guarded(this, &TImageViewForm::miEditClick));
    imgView = new QLabel(this);
    setCentralWidget(imgView);
    // Named for screen readers in the user's language; the title stays the product's.
    setAccessibleName(LanguageTexts[QStringLiteral("ViewerWindowName")]);
    imgView->setAccessibleName(LanguageTexts[QStringLiteral("ViewerPictureName")]);
    auto* closeKey = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(closeKey, &QShortcut::activated, this, &QWidget::close);
}

void TImageViewForm::SetPicture(const QImage& picture)
{
    FPicture = picture.copy();
    imgView->setPixmap(QPixmap::fromImage(FPicture));
    imgView->setFixedSize(FPicture.size());
    adjustSize();
    // Each view opens in the middle of the screen rather than over the panel.
    if (const QScreen* screen
        = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen()) {
        QRect frame = geometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

QString TImageViewForm::ExportFileName() { return ViewerExportName(PersonalFolder()); }

void TImageViewForm::miEditClick()
{
    const QString path = ExportFileName();
    // A new account may have no documents folder yet.
    EnsureFolder(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw EFCreateError(path, file.errorString());
    if (!FPicture.save(&file, "BMP")) {
        file.remove();
        throw EFCreateError(path, file.errorString());
    }
    file.close();
    if (!StartPaintProgram(path))
        ShowPlainMessage(this, QMessageBox::Information, ProductTitle(),
            LanguageTexts[QStringLiteral("NoPaintProgramMsg")]);
}
