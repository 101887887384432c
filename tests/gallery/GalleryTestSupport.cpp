// SPDX-License-Identifier: GPL-2.0-or-later
#include "GalleryTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QProcess>

QByteArray RunTool(const QString& program, const QStringList& arguments, int* exitCode)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.waitForFinished(120000);
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return process.readAll();
}

QImage QuarteredPicture(int width, int height, QRgb topLeft)
{
    QImage picture(width, height, QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.fillRect(0, 0, width / 2, height / 2, QColor(topLeft));
    painter.fillRect(width / 2, 0, width - width / 2, height / 2, QColor(30, 200, 30));
    painter.fillRect(0, height / 2, width / 2, height - height / 2, QColor(30, 30, 200));
    painter.fillRect(width / 2, height / 2, width - width / 2, height - height / 2, QColor(230, 230, 40));
    return picture;
}

TModalHand::TModalHand(THandler handler)
    : FHandler(std::move(handler))
{
    FTimer.setInterval(20);
    QObject::connect(&FTimer, &QTimer::timeout, &FTimer, [this] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal->property("handledByTest").toBool())
            return;
        modal->setProperty("handledByTest", true);
        ++FSeen;
        FHandler(modal);
    });
    FTimer.start();
}

void AcceptFileDialog(QWidget* modal, const QString& path)
{
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (!dialog)
        return;
    const QFileInfo file(path);
    dialog->setDirectory(file.absolutePath());
    if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        name->setText(file.fileName());
    QMetaObject::invokeMethod(dialog, "accept");
    if (dialog->isVisible())
        dialog->reject();
}

void ClickMessageBoxButton(QWidget* modal, const QString& text)
{
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (!box)
        return;
    for (QAbstractButton* button : box->buttons())
        if (button->text() == text) {
            button->click();
            return;
        }
    box->buttons().constFirst()->click();
}
