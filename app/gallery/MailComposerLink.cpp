// SPDX-License-Identifier: GPL-2.0-or-later
#include "gallery/MailComposerLink.h"

namespace {
TMailComposerLink& Link()
{
    static TMailComposerLink link;
    return link;
}
} // namespace

void SetMailComposer(TMailComposerLink link) { Link() = std::move(link); }

bool MailComposerSending() { return Link().Sending && Link().Sending(); }

void MailComposerOpenWithAttachment(const QString& attachment)
{
    if (Link().OpenWithAttachment)
        Link().OpenWithAttachment(attachment);
}

void MailComposerShow()
{
    if (Link().Show)
        Link().Show();
}
