#include "GalleryForm.h"

#include "ImageButton.h"
#include "MagnetUnit.h"
#include "SkinMask.h"
#include "SkinnedWindowDrag.h"

#include <QLabel>

namespace {
QPixmap Skin(const QString& name) { return QPixmap(QStringLiteral(":/skins/") + name); }
} // namespace

TGalleryForm::TGalleryForm(const QString& background, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setAttribute(Qt::WA_QuitOnClose, false);
    imgBack = new QLabel(this);
    const QPixmap back = Skin(background);
    imgBack->setPixmap(back);
    imgBack->setGeometry(QRect(QPoint(0, 0), back.isNull() ? QSize(354, 148) : back.size()));
    resize(imgBack->size());
    if (!back.isNull())
        ApplySkinMask(this, back.toImage());

    pnlContainer = new QWidget(this);
    pnlContainer->setGeometry(17, 18, 320, 60);
    FStripCaption = new QLabel(pnlContainer);
    FStripCaption->setGeometry(pnlContainer->rect());
    FStripCaption->setAlignment(Qt::AlignCenter);
    QFont captionFont(QStringLiteral("Times New Roman"));
    captionFont.setPixelSize(11);
    captionFont.setItalic(true);
    FStripCaption->setFont(captionFont);
    FStripCaption->setStyleSheet(QStringLiteral("color: #8a93a3;"));

    imgbClose = AddButton(QStringLiteral("gallery_close"), QRect(321, 114, 14, 14));
    connect(imgbClose, &TImageButton::clicked, this, [this] {
        hide();
        emit closedByUser();
    });

    FMagnet = new TMagnet(this);
    FMagnet->SetActive(true);
    FMagnet->SetSnapOptions(soMagnet);
    FMagnet->SetEnableClustering(false);
    FDrag = new TSkinnedWindowDrag(this);
    FDrag->SetCaptionTest([this](const QPoint& pos) { return IsDragPoint(pos); });
}

TGalleryForm::~TGalleryForm() = default;

TImageButton* TGalleryForm::AddButton(const QString& skinName, const QRect& geometry)
{
    auto* button = new TImageButton(this);
    button->setGeometry(geometry);
    button->SetTransparent(true);
    button->SetAutoSize(true);
    button->SetPictureOver(Skin(skinName + QStringLiteral("_over.png")));
    button->SetPictureDown(Skin(skinName + QStringLiteral("_down.png")));
    FHitTestList.append(button);
    return button;
}

void TGalleryForm::SetStripCaption(const QString& text) { FStripCaption->setText(text); }

void TGalleryForm::SetStripFont(const QString& face)
{
    QFont font = FStripCaption->font();
    font.setFamily(face);
    FStripCaption->setFont(font);
}

bool TGalleryForm::IsDragPoint(const QPoint& windowPos) const
{
    for (const QWidget* control : FHitTestList)
        if (control->geometry().contains(windowPos))
            return false;
    return true;
}
