// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/CloseQuestion.h"

#include "camera/CamControllerUnit.h"
#include "core/LanguageTexts.h"
#include "core/ProductTitle.h"
#include "gallery/PhotosFrm.h"
#include "gallery/SaveAll.h"
#include "gallery/VideosFrm.h"
#include "shell/CompanionWindows.h"

#include <QMessageBox>
#include <QPushButton>

bool AskAboutUnsaved(
    QWidget* window, const TCompanionWindows& windows, const std::function<void()>& finishRecording)
{
    const int photos = windows.Photos() ? windows.Photos()->UnsavedCount() : 0;
    const int clips = windows.Videos() ? windows.Videos()->UnsavedCount() : 0;
    if (photos == 0 && clips == 0)
        return true;
    // The text holds two counts: photos first, clips second.
    const QString text = LanguageText(QStringLiteral("UnsavedCountMsg"), photos, clips);
    QMessageBox box(QMessageBox::NoIcon, ProductTitle(), text, QMessageBox::NoButton, window);
    box.setTextFormat(Qt::PlainText);
    QPushButton* saveAll
        = box.addButton(LanguageTexts[QStringLiteral("SaveAllButton")], QMessageBox::AcceptRole);
    QPushButton* discard
        = box.addButton(LanguageTexts[QStringLiteral("DiscardButton")], QMessageBox::DestructiveRole);
    QPushButton* cancel
        = box.addButton(LanguageTexts[QStringLiteral("CancelButton")], QMessageBox::RejectRole);
    box.setDefaultButton(saveAll);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == discard)
        return true;
    // The window may have closed while the question was open: its galleries are gone then.
    if (box.clickedButton() != saveAll || !windows.Photos() || !windows.Videos())
        return false;
    // The clip being recorded is finished before it is copied.
    if (CamController && CamController->Recording())
        finishRecording();
    return SaveAllUnsaved(*windows.Photos(), *windows.Videos(), window);
}
