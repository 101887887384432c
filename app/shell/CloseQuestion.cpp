// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/CloseQuestion.h"

#include "camera/CamControllerUnit.h"
#include "core/LanguageTexts.h"
#include "core/ProductTitle.h"
#include "gallery/PhotosFrm.h"
#include "gallery/SaveAll.h"
#include "gallery/VideosFrm.h"
#include "shell/MainFrm.h"

#include <QMessageBox>
#include <QPushButton>

bool AskAboutUnsaved(TMainForm& form)
{
    const int photos = form.Photos() ? form.Photos()->UnsavedCount() : 0;
    const int clips = form.Videos() ? form.Videos()->UnsavedCount() : 0;
    if (photos == 0 && clips == 0)
        return true;
    // The text holds two counts: photos first, clips second.
    const QString text = LanguageText(QStringLiteral("UnsavedCountMsg"), photos, clips);
    QMessageBox box(QMessageBox::NoIcon, ProductTitle(), text, QMessageBox::NoButton, &form);
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
    if (box.clickedButton() != saveAll || !form.Photos() || !form.Videos())
        return false;
    // The clip being recorded is finished before it is copied.
    if (CamController && CamController->Recording)
        form.ProcessRecord();
    return SaveAllUnsaved(*form.Photos(), *form.Videos(), &form);
}
