// SPDX-License-Identifier: GPL-2.0-or-later
#include "gallery/ProgressFrm.h"

#include "widgets/TaskbarEntry.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>

#include <algorithm>

TProgressForm* ProgressForm = nullptr;

TProgressForm::TProgressForm(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
{
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QStringLiteral("Converting..."));
    KeepOffTaskbar(this);
    setFixedSize(275, 40);
    setWindowOpacity(1.0);

    // Never shown: it keeps the value that the completion test reads.
    prbProgress = new QProgressBar(this);
    prbProgress->setGeometry(8, 8, 201, 25);
    prbProgress->setRange(0, 100);
    prbProgress->setValue(0);
    prbProgress->setVisible(false);

    lblPercentage = new QLabel(QStringLiteral("%"), this);
    lblPercentage->setGeometry(216, 16, 49, 13);
    lblPercentage->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void TProgressForm::ResetProgress() { prbProgress->setValue(0); }

void TProgressForm::SetProgress(qint64 percent)
{
    prbProgress->setValue(static_cast<int>(std::clamp<qint64>(percent, 0, 100)));
    lblPercentage->setText(QStringLiteral("%1%").arg(percent));
}

int TProgressForm::Progress() const { return prbProgress->value(); }

bool TProgressForm::IsComplete() const { return prbProgress->value() == 100; }

void TProgressForm::NotifyConvert(qint64 wParam, qint64 lParam)
{
    switch (wParam) {
    case ConvertStarted:
        ResetProgress();
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
        show();
        raise();
        break;
    case ConvertEnded:
        hide();
        emit conversionEnded(IsComplete());
        break;
    case ConvertProgress:
        SetProgress(lParam);
        break;
    default:
        break;
    }
}
