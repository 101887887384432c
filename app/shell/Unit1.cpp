// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/Unit1.h"

#include "core/LangId.h"
#include "core/PlainText.h"
#include "shell/Version.h"
#include "widgets/TaskbarEntry.h"

#include <QLabel>

#include <algorithm>

namespace {
constexpr unsigned LangKorean = 0x0412;
// From the rights line's left edge to 8 pixels short of the box's right edge.
constexpr int RightsWidth = 338 - 48 - 8;
} // namespace

TTessaly::TTessaly(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("Tessaly"));
    KeepOffTaskbar(this);
    setFixedSize(338, 86);
    move(409, 326);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);
    const QPixmap icon(QStringLiteral(":/skins/icon_32.png"));
    setWindowIcon(icon);

    auto* image = new QLabel(this);
    image->setPixmap(icon);
    image->setGeometry(8, 27, 32, 32);
    (new QLabel(QStringLiteral("Tessaly"), this))->move(48, 24);
    Label2 = new QLabel(QStringLiteral("Version: " GLIMVIEW_VERSION), this);
    Label2->move(128, 24);
    Label3 = PlainLabel(new QLabel(this));
    Label3->move(48, 48);
}

void TTessaly::ApplyTexts(unsigned langId)
{
    if (langId == LangKorean) {
        setWindowTitle(QStringLiteral("Tessaly ") + QString::fromUtf8("정보"));
        Label3->setText(QString::fromUtf8("Copyright © Norvel Electronics Inc.\n"
                                          "GNU GPL 버전 2 또는 그 이후 버전에 따른 자유 소프트웨어입니다."));
    } else {
        setWindowTitle(QStringLiteral("Tessaly Information"));
        Label3->setText(QString::fromUtf8("Copyright © Norvel Electronics Inc.\n"
                                          "Free software under the GNU GPL, version 2 or later."));
    }
    // The lines wrap within the box's width; the box grows to hold them.
    Label3->setWordWrap(true);
    Label3->setFixedWidth(RightsWidth);
    Label3->setFixedHeight(Label3->heightForWidth(RightsWidth));
    setFixedSize(338, std::max(86, Label3->geometry().bottom() + 1 + 14));
}

void TTessaly::pmiBrightletViewerClick()
{
    ApplyTexts(SystemDefaultLangId());
    exec();
}
