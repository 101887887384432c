// SPDX-License-Identifier: GPL-2.0-or-later
// How the galleries reach the e-mail composer without depending on its
// window: the program hands over the composer's three operations once.
// Until it does, the composer reads as not sending and opens nothing.
#pragma once

#include <QString>

#include <functional>

struct TMailComposerLink {
    std::function<bool()> Sending;
    std::function<void(const QString& attachment)> OpenWithAttachment;
    std::function<void()> Show;
};

void SetMailComposer(TMailComposerLink link);
bool MailComposerSending();
void MailComposerOpenWithAttachment(const QString& attachment);
void MailComposerShow();
