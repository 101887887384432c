// SPDX-License-Identifier: GPL-2.0-or-later
#include "gallery/ThumbnailStrip.h"

#include "core/Assertion.h"
#include "core/CodeSiteHelperUnit.h"
#include "core/ErrorGuard.h"
#include "core/LanguageTexts.h"
#include "core/PlainText.h"
#include "gallery/GalleryLogging.h"
#include "gallery/StripGeometry.h"
#include "widgets/ImageButton.h"
#include "widgets/SkinPicture.h"

#include <QAccessible>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cstdlib>
#include <functional>

#define STRIP_CHECK(condition) Check((condition), __LINE__)

namespace {

QPixmap Skin(const char* name) { return SkinPicture(QLatin1String(name)); }

// The maroon frame around the focused thumbnail; clicks go through it.
class TFocusFrame : public QWidget {
public:
    explicit TFocusFrame(QWidget* parent)
        : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        resize(Strip::ItemWidth, Strip::ItemHeight);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(QPen(QColor(128, 0, 0), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    }
};

// The scroll track: it only reports where it was pressed.
class TPressArea : public QWidget {
public:
    using TPressed = std::function<void(Qt::MouseButton, const QPoint&)>;
    TPressArea(QWidget* parent, TPressed pressed)
        : QWidget(parent)
        , FPressed(std::move(pressed))
    {
    }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        RunGuarded([&] { FPressed(event->button(), event->position().toPoint()); });
    }

private:
    TPressed FPressed;
};

TImageButton* StepArrow(QWidget* window, const QPoint& at, const char* up, const char* over, const char* down)
{
    auto* arrow = new TImageButton(window);
    arrow->move(at);
    arrow->resize(11, 12);
    arrow->SetAutoSize(true);
    arrow->SetPicture(Skin(up));
    arrow->SetPictureUp(Skin(up));
    arrow->SetPictureOver(Skin(over));
    arrow->SetPictureDown(Skin(down));
    return arrow;
}

} // namespace

TThumbnail::TThumbnail(const QImage& picture, const QDateTime& capturedAt, QWidget* strip)
    : QWidget(strip)
    , FPicture(picture.copy())
    , FScaled(QPixmap::fromImage(picture.scaled(
          Strip::ItemWidth, Strip::ItemHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)))
    , FCapturedAt(capturedAt)
{
    resize(Strip::ItemWidth, Strip::ItemHeight);
}

void TThumbnail::SetCurrent(bool value)
{
    if (FCurrent == value)
        return;
    FCurrent = value;
    QAccessible::State changed;
    changed.selected = true;
    changed.focused = true;
    QAccessibleStateChangeEvent stateEvent(this, changed);
    QAccessible::updateAccessibility(&stateEvent);
    if (value && isActiveWindow()) {
        QAccessibleEvent focusEvent(this, QAccessible::Focus);
        QAccessible::updateAccessibility(&focusEvent);
    }
}

void TThumbnail::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, FScaled);
}

void TThumbnail::mousePressEvent(QMouseEvent*) { emit pressed(this); }

// The second press of a double click arrives only as this event: it focuses
// the thumbnail as any press does.
void TThumbnail::mouseDoubleClickEvent(QMouseEvent*)
{
    emit pressed(this);
    emit doubleClicked(this);
}

TThumbnailStrip::TThumbnailStrip(QWidget* window, const char* unitFile)
    : QObject(window)
    , FWindow(window)
    , FUnitFile(unitFile)
{
    InstallThumbnailAccessibility();
    pnlContainer = new QWidget(window);
    pnlContainer->setGeometry(17, 18, Strip::ViewportWidth, Strip::ItemHeight);
    pnlContainer->setAutoFillBackground(true);
    QPalette well = pnlContainer->palette();
    well.setColor(QPalette::Window, QColor(12, 14, 18));
    pnlContainer->setPalette(well);

    FCaption = PlainLabel(new QLabel(pnlContainer));
    FCaption->setGeometry(pnlContainer->rect());
    FCaption->setAlignment(Qt::AlignCenter);
    QFont captionFont(QStringLiteral("Times New Roman"));
    captionFont.setPixelSize(11);
    captionFont.setItalic(true);
    FCaption->setFont(captionFont);
    FCaption->setStyleSheet(QStringLiteral("color: #c8c8c8;"));

    pnlStrip = new TThumbnailList(pnlContainer);
    pnlStrip->setGeometry(0, 0, 0, Strip::ItemHeight);
    pnlStrip->hide();
    shpFocus = new TFocusFrame(pnlStrip);

    imgScrollArea = new TPressArea(window, [this](Qt::MouseButton button, const QPoint& pos) {
        imgScrollAreaMouseDown(button, imgScrollArea->mapTo(FWindow, pos));
    });
    imgScrollArea->setGeometry(Strip::Track);

    imgbThumb = new TImageButton(window);
    imgbThumb->setGeometry(44, 83, Strip::ThumbWidth, 12);
    imgbThumb->SetAutoSize(true);
    imgbThumb->SetPicture(Skin("gallery_thumb_up.png"));
    imgbThumb->SetPictureUp(Skin("gallery_thumb_up.png"));
    imgbThumb->hide();
    // The thumb is dragged, not clicked: the strip follows its mouse.
    imgbThumb->installEventFilter(this);

    imgbMoveLeft = StepArrow(
        window, { 17, 83 }, "gallery_left_up.png", "gallery_left_over.png", "gallery_left_down.png");
    imgbMoveRight = StepArrow(
        window, { 326, 83 }, "gallery_right_up.png", "gallery_right_over.png", "gallery_right_down.png");
    connect(imgbMoveLeft, &TImageButton::clicked, this, Guarded(this, &TThumbnailStrip::actMoveLeftExecute));
    connect(
        imgbMoveRight, &TImageButton::clicked, this, Guarded(this, &TThumbnailStrip::actMoveRightExecute));
}

void TThumbnailStrip::Check(bool condition, int line) const
{
    if (!condition)
        throw EAssertionFailed(FUnitFile, line);
}

void TThumbnailStrip::SetCaption(const QString& text) { FCaption->setText(text); }

void TThumbnailStrip::SetItemNameFormat(const QString& text)
{
    FItemNameFormat = text;
    UpdateAccessibleItems();
}

QList<QWidget*> TThumbnailStrip::Controls() const
{
    return { imgbMoveLeft, imgbMoveRight, imgbThumb, imgScrollArea };
}

void TThumbnailStrip::SetListName(const QString& text) { pnlStrip->setAccessibleName(text); }

void TThumbnailStrip::SetControlHints(
    const QString& scrollLeft, const QString& scrollRight, const QString& scrollThumb)
{
    imgbMoveLeft->setStatusTip(scrollLeft);
    imgbMoveRight->setStatusTip(scrollRight);
    imgbThumb->setStatusTip(scrollThumb);
}

void TThumbnailStrip::UpdateAccessibleItems()
{
    // Read from the frame without the strip's checks: this also runs while
    // an operation is half done.
    const int focused = shpFocus->x() / Strip::ItemWidth;
    for (int i = 0; i < Count(); ++i) {
        FItems[i]->setAccessibleName(
            FillPlaceholders(FItemNameFormat, { QString::number(i + 1), QString::number(Count()) }));
        FItems[i]->SetCurrent(i == focused);
    }
}

void TThumbnailStrip::SetCaptionFont(const QString& face)
{
    QFont font = FCaption->font();
    font.setFamily(face);
    FCaption->setFont(font);
}

// Every path goes through here, so the strip never scrolls past its ends
// whatever a drag or a deletion left behind.
void TThumbnailStrip::SetOffset(int offset)
{
    FOffset = Strip::ClampOffset(offset, Count());
    pnlStrip->move(FOffset, 0);
}

// The strip covers its thumbnails exactly and stands packed from x = 0.
void TThumbnailStrip::PlaceItems()
{
    for (int i = 0; i < Count(); ++i)
        FItems[i]->move(Strip::ItemWidth * i, 0);
    pnlStrip->resize(Strip::StripWidth(Count()), Strip::ItemHeight);
}

void TThumbnailStrip::ShowStrip(bool visible)
{
    pnlStrip->setVisible(visible);
    FCaption->setVisible(!visible);
}

TThumbnail* TThumbnailStrip::FocusedItem() const { return Count() > 0 ? FItems.at(FocusedIndex()) : nullptr; }

int TThumbnailStrip::UnkeptCount() const
{
    return static_cast<int>(
        std::count_if(FItems.cbegin(), FItems.cend(), [](const TThumbnail* item) { return !item->Kept(); }));
}

int TThumbnailStrip::Add(const QImage& picture, const QDateTime& capturedAt)
{
    auto* item = new TThumbnail(picture, capturedAt, pnlStrip);
    connect(item, &TThumbnail::pressed, this,
        Guarded([this](TThumbnail* pressed) { SetFocusIndex(static_cast<int>(FItems.indexOf(pressed))); }));
    connect(item, &TThumbnail::doubleClicked, this, Guarded([this](TThumbnail* clicked) {
        emit itemActivated(static_cast<int>(FItems.indexOf(clicked)));
    }));
    FItems.append(item);
    const int index = Count() - 1;
    PlaceItems();
    item->show();

    shpFocus->move(Strip::ItemWidth * index, 0);
    shpFocus->raise();
    if (Strip::StripWidth(Count()) > Strip::ViewportWidth)
        SetOffset(Strip::ViewportWidth - Strip::StripWidth(Count()));
    ShowStrip(true);
    if (Count() > Strip::VisibleItems) {
        imgbThumb->show();
        imgbThumb->move(Strip::Track.left() + Strip::Track.width() - Strip::ThumbWidth, imgbThumb->y());
        RefreshThumbPosition();
    }
    UpdateAccessibleItems();
    return index;
}

int TThumbnailStrip::DeleteFocused()
{
    if (Count() == 0)
        return -1;
    const int index = FocusedIndex();
    delete FItems.takeAt(index);
    PlaceItems();

    if (index > 0 && index == Count()) {
        SetFocusIndex(index - 1);
        actMoveLeftExecute();
    } else if (index > 0) {
        // The frame stays and now frames the item that followed.
        if (Strip::StripWidth(Count()) - std::abs(FOffset) < Strip::ViewportWidth && FOffset < 0)
            SetOffset(FOffset + Strip::ItemWidth);
    } else {
        shpFocus->move(0, 0);
    }
    SetOffset(FOffset);

    if (Count() > Strip::VisibleItems) {
        RefreshThumbPosition();
    } else {
        imgbThumb->hide();
        FHiddenCount = 0;
    }
    if (Count() == 0) {
        ShowStrip(false);
        shpFocus->move(0, 0);
    }
    UpdateAccessibleItems();
    return index;
}

int TThumbnailStrip::FocusedIndex() const { return IndexAtPoint(shpFocus->x(), shpFocus->y()); }

int TThumbnailStrip::IndexAtPoint(int x, int y) const
{
    STRIP_CHECK(y >= 0 && y < Strip::ItemHeight);
    const int index = x / Strip::ItemWidth;
    STRIP_CHECK(index < Count());
    return index;
}

void TThumbnailStrip::SetFocusIndex(int index)
{
    STRIP_CHECK(index <= Count());
    shpFocus->move(Strip::ItemWidth * index, shpFocus->y());
    UpdateAccessibleItems();
}

void TThumbnailStrip::FocusPrevious()
{
    if (shpFocus->x() > 0)
        shpFocus->move(shpFocus->x() - Strip::ItemWidth, shpFocus->y());
    if (FOffset + shpFocus->x() < 0) {
        SetOffset(FOffset + Strip::ItemWidth);
        RefreshThumbPosition();
    }
    UpdateAccessibleItems();
}

void TThumbnailStrip::FocusNext()
{
    if (shpFocus->x() >= pnlStrip->width() - Strip::ItemWidth)
        return;
    shpFocus->move(shpFocus->x() + Strip::ItemWidth, shpFocus->y());
    if (shpFocus->x() >= std::abs(FOffset) + Strip::ViewportWidth) {
        SetOffset(FOffset - Strip::ItemWidth);
        RefreshThumbPosition();
    }
    UpdateAccessibleItems();
}

void TThumbnailStrip::FocusFirst()
{
    if (Count() == 0)
        return;
    SetFocusIndex(0);
    SetOffset(0);
    if (Count() > Strip::VisibleItems)
        RefreshThumbPosition();
}

// The last item in view at the right edge, as a new item is shown.
void TThumbnailStrip::FocusLast()
{
    if (Count() == 0)
        return;
    SetFocusIndex(Count() - 1);
    SetOffset(Strip::ViewportWidth - Strip::StripWidth(Count()));
    if (Count() > Strip::VisibleItems)
        RefreshThumbPosition();
}

void TThumbnailStrip::PageLeft()
{
    if (Count() <= Strip::VisibleItems)
        return;
    SetOffset(Strip::PageLeftOffset(FOffset));
    RefreshThumbPosition();
}

void TThumbnailStrip::PageRight()
{
    if (Count() <= Strip::VisibleItems)
        return;
    SetOffset(Strip::PageRightOffset(FOffset, Count()));
    RefreshThumbPosition();
}

void TThumbnailStrip::RefreshThumbPosition()
{
    TCodeSiteHelper trace(lcGallery(), "RefreshThumbPosition");
    FHiddenCount = Strip::HiddenCount(Count());
    FDragStep = Strip::DragStep(Count());
    const double x = Strip::ScrolledItems(FOffset);
    STRIP_CHECK(x >= 0);
    STRIP_CHECK(x <= FHiddenCount);
    imgbThumb->move(Strip::ThumbLeftForOffset(FOffset, Count()), imgbThumb->y());
}

void TThumbnailStrip::actMoveLeftExecute()
{
    if (FOffset >= 0)
        return;
    SetOffset(FOffset + Strip::ItemWidth);
    // Placed from the offset, not shifted by a rounded step: shifts would add
    // up their rounding and carry the thumb off its track.
    if (Count() > Strip::VisibleItems)
        RefreshThumbPosition();
}

void TThumbnailStrip::actMoveRightExecute()
{
    if (Strip::StripWidth(Count()) + FOffset <= Strip::ViewportWidth)
        return;
    SetOffset(FOffset - Strip::ItemWidth);
    if (Count() > Strip::VisibleItems)
        RefreshThumbPosition();
}

bool TThumbnailStrip::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != imgbThumb)
        return false;
    const auto mouse = [event] { return static_cast<const QMouseEvent*>(event); };
    const auto windowPos = [&] { return imgbThumb->mapTo(FWindow, mouse()->position().toPoint()); };
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        RunGuarded([&] { imgbThumbMouseDown(windowPos()); });
        break;
    case QEvent::MouseMove:
        if (mouse()->buttons().testFlag(Qt::LeftButton))
            RunGuarded([&] { imgbThumbMouseMove(windowPos()); });
        break;
    case QEvent::MouseButtonRelease:
        RunGuarded([&] { imgbThumbMouseUp(); });
        break;
    default:
        break;
    }
    return false;
}

void TThumbnailStrip::imgbThumbMouseDown(const QPoint& windowPos)
{
    FLastDragPoint = windowPos;
    FDragBand = Strip::DragBand(windowPos.x() - imgbThumb->x());
}

void TThumbnailStrip::imgbThumbMouseMove(const QPoint& windowPos)
{
    if (windowPos.x() < FDragBand.left() || windowPos.x() > FDragBand.right())
        return;
    const int delta = windowPos.x() - FLastDragPoint.x();
    imgbThumb->move(Strip::DraggedThumbLeft(imgbThumb->x(), delta), imgbThumb->y());
    FLastDragPoint = windowPos;
    SetOffset(Strip::DragOffset(imgbThumb->x(), Count()));
}

void TThumbnailStrip::imgbThumbMouseUp() { RefreshThumbPosition(); }

void TThumbnailStrip::imgScrollAreaMouseDown(Qt::MouseButton button, const QPoint& windowPos)
{
    if (button != Qt::LeftButton || Count() <= Strip::VisibleItems)
        return;
    if (windowPos.x() < imgbThumb->x())
        PageLeft();
    else
        PageRight();
}
