// SPDX-License-Identifier: GPL-2.0-or-later
// TProgressForm: the small always-on-top window that follows the converter
// while it turns an AVI clip into the WMV attachment. The converter's reports
// reach it through the main window's conversion message.
#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

class TProgressForm : public QWidget {
    Q_OBJECT
public:
    // The kinds of conversion report (the message's wParam).
    enum : qint64 { ConvertStarted = 1, ConvertEnded = 2, ConvertProgress = 3 };

    explicit TProgressForm(QWidget* parent = nullptr);

    void ResetProgress();
    // Keeps the value clamped into 0..100; the label shows it as sent.
    void SetProgress(qint64 percent);
    int Progress() const;
    bool IsComplete() const;

    // One conversion report: start shows the window, progress updates it,
    // end hides it and tells whether the conversion got to 100 %.
    void NotifyConvert(qint64 wParam, qint64 lParam);

signals:
    void conversionEnded(bool complete);

private:
    QProgressBar* prbProgress;
    QLabel* lblPercentage;
};

// The application's one progress window, made at start-up.
extern TProgressForm* ProgressForm;
