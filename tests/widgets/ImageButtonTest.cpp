// SPDX-License-Identifier: GPL-2.0-or-later
#include "widgets/ImageButton.h"
#include "WidgetTestSupport.h"

#include <QMouseEvent>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

class ImageButton : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = ShowSkinnedWindow(QRect(100, 100, 200, 150));
        ASSERT_TRUE(window);
        button = new TImageButton(window.get());
        button->setGeometry(50, 40, 20, 10);
        button->show();
    }

    QPoint Inside() const { return button->mapToGlobal(QPoint(5, 5)); }
    QPoint Outside() const { return window->mapToGlobal(QPoint(150, 120)); }

    // Names the picture on show, so that expectations read as the behaviour is described.
    std::string Shown() const
    {
        const qint64 key = button->Picture().cacheKey();
        if (button->Picture().isNull())
            return "nothing";
        if (key == over.cacheKey())
            return "over";
        if (key == down.cacheKey())
            return "down";
        if (key == up.cacheKey())
            return "up";
        if (key == disable.cacheKey())
            return "disable";
        if (key == initial.cacheKey())
            return "initial";
        return "other";
    }

    const bool applicationReady = (EnsureApplication(), true);
    QPixmap over = SolidPicture(Qt::red);
    QPixmap down = SolidPicture(Qt::green);
    QPixmap up = SolidPicture(Qt::blue);
    QPixmap disable = SolidPicture(Qt::gray);
    QPixmap initial = SolidPicture(Qt::yellow);
    std::unique_ptr<QWidget> window;
    TImageButton* button = nullptr;
};

TEST_F(ImageButton, HoverPressReleaseLeaveWithOverAndDownPictures)
{
    button->SetPicture(initial);
    button->SetPictureOver(over);
    button->SetPictureDown(down);
    EXPECT_EQ(button->VisualState(), TImageButton::vsUp);
    EXPECT_EQ(Shown(), "initial");

    // The window's handlers run before the picture changes.
    std::vector<std::string> seenByHandlers;
    QObject::connect(button, &TImageButton::mouseDown, [&] { seenByHandlers.push_back("down:" + Shown()); });
    QObject::connect(button, &TImageButton::released, [&] { seenByHandlers.push_back("up:" + Shown()); });
    QObject::connect(button, &TImageButton::clicked, [&] { seenByHandlers.push_back("click:" + Shown()); });

    MoveTo(window.get(), window->mapToGlobal(QPoint(10, 10)));
    MoveTo(window.get(), Inside());
    EXPECT_EQ(button->VisualState(), TImageButton::vsOver);
    EXPECT_EQ(Shown(), "over");

    PressAt(window.get(), Inside());
    EXPECT_EQ(button->VisualState(), TImageButton::vsDown);
    EXPECT_EQ(Shown(), "down");

    ReleaseAt(window.get(), Inside());
    EXPECT_EQ(button->VisualState(), TImageButton::vsReleased);
    EXPECT_EQ(Shown(), "down") << "without an up picture the release keeps the look";

    MoveTo(window.get(), Outside());
    EXPECT_EQ(button->VisualState(), TImageButton::vsUp);
    EXPECT_EQ(Shown(), "nothing") << "leaving shows the empty up picture";

    EXPECT_EQ(seenByHandlers, (std::vector<std::string> { "down:over", "click:down", "up:down" }));
}

TEST_F(ImageButton, PressFallsBackToOverThenUp)
{
    button->SetPictureOver(over);
    MoveTo(window.get(), window->mapToGlobal(QPoint(10, 10)));
    MoveTo(window.get(), Inside());
    PressAt(window.get(), Inside());
    EXPECT_EQ(Shown(), "over");
    ReleaseAt(window.get(), Inside());

    button->SetPictureOver(QPixmap());
    button->SetPictureUp(up);
    MoveTo(window.get(), Outside());
    MoveTo(window.get(), Inside());
    EXPECT_EQ(Shown(), "up") << "entering without an over picture shows the up picture";
    button->SetPicture(initial);
    PressAt(window.get(), Inside());
    EXPECT_EQ(Shown(), "up");
    ReleaseAt(window.get(), Inside());
}

TEST_F(ImageButton, ReleaseOutsideRaisesReleasedButNoClick)
{
    button->SetPictureOver(over);
    button->SetPictureDown(down);
    button->SetPictureUp(up);
    QSignalSpy clicks(button, &TImageButton::clicked);
    QSignalSpy ups(button, &TImageButton::released);

    MoveTo(window.get(), window->mapToGlobal(QPoint(10, 10)));
    MoveTo(window.get(), Inside());
    PressAt(window.get(), Inside());
    EXPECT_EQ(Shown(), "down");

    MoveTo(window.get(), Outside());
    EXPECT_EQ(Shown(), "up") << "leaving while held shows the up picture";
    EXPECT_EQ(button->VisualState(), TImageButton::vsUp);

    ReleaseAt(window.get(), Outside());
    ASSERT_EQ(ups.count(), 1) << "the held button receives the release outside it";
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(Shown(), "up");

    // Back over the button while held counts as entering again; releasing
    // there is a click.
    MoveTo(window.get(), Inside());
    PressAt(window.get(), Inside());
    MoveTo(window.get(), Outside());
    MoveTo(window.get(), Inside());
    EXPECT_EQ(Shown(), "over");
    ReleaseAt(window.get(), Inside());
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(ImageButton, DisabledButtonChangesNothing)
{
    button->SetPicture(initial);
    button->SetPictureOver(over);
    button->SetPictureDown(down);
    QSignalSpy clicks(button, &TImageButton::clicked);

    button->setEnabled(false);
    EXPECT_FALSE(button->isEnabled());
    EXPECT_EQ(Shown(), "initial") << "no disabled picture: the look stays";

    MoveTo(window.get(), window->mapToGlobal(QPoint(10, 10)));
    MoveTo(window.get(), Inside());
    PressAt(window.get(), Inside());
    ReleaseAt(window.get(), Inside());
    EXPECT_EQ(Shown(), "initial");
    EXPECT_EQ(clicks.count(), 0);
    // The window beneath takes the mouse: its menu opens over a disabled button.
    window->setContextMenuPolicy(Qt::CustomContextMenu);
    QSignalSpy menus(window.get(), &QWidget::customContextMenuRequested);
    PressAt(window.get(), Inside(), Qt::RightButton);
    ReleaseAt(window.get(), Inside(), Qt::RightButton);
    EXPECT_EQ(menus.count(), 1);

    button->SetPictureDisable(disable);
    EXPECT_EQ(Shown(), "disable") << "set while disabled, the disabled picture shows at once";
    button->setEnabled(true);
    EXPECT_EQ(Shown(), "disable") << "no up picture: enabling keeps the look";
    button->setEnabled(false);
    EXPECT_EQ(button->VisualState(), TImageButton::vsReleased);
    button->SetPictureUp(up);
    EXPECT_EQ(Shown(), "disable") << "the up picture waits for the button to be enabled";
    button->setEnabled(true);
    EXPECT_EQ(button->VisualState(), TImageButton::vsUp);
    EXPECT_EQ(Shown(), "up");
}

TEST_F(ImageButton, PictureUpSetterShowsAtOnce)
{
    button->SetPicture(initial);
    button->SetPictureUp(up);
    EXPECT_EQ(Shown(), "up");
    button->SetPictureUp(QPixmap());
    EXPECT_EQ(Shown(), "nothing");
    button->SetPictureDown(down);
    button->SetPictureOver(over);
    EXPECT_EQ(Shown(), "nothing") << "down and over pictures wait for the pointer";
}

TEST_F(ImageButton, EmptyButtonStillTakesClicksOverItsWholeBounds)
{
    button->setGeometry(40, 40, 40, 30);
    QSignalSpy clicks(button, &TImageButton::clicked);
    const QPoint corner = button->mapToGlobal(QPoint(39, 29));
    PressAt(window.get(), corner);
    ReleaseAt(window.get(), corner);
    EXPECT_EQ(clicks.count(), 1);

    // However fast, every click counts: a double click is two clicks, and
    // three double clicks in a row are six.
    DoubleClickAt(window.get(), corner);
    EXPECT_EQ(clicks.count(), 3);
    for (int i = 0; i < 3; ++i)
        DoubleClickAt(window.get(), corner);
    EXPECT_EQ(clicks.count(), 9);
    EXPECT_EQ(button->VisualState(), TImageButton::vsReleased);
    button->setCheckable(true); // a key's click leaves the latch to the window
    button->click();
    EXPECT_FALSE(button->isChecked());
}

TEST_F(ImageButton, ResetLookEndsAPressWhoseReleaseWentElsewhere)
{
    const QPixmap over = SolidPicture(Qt::green, QSize(20, 20));
    const QPixmap down = SolidPicture(Qt::blue, QSize(20, 20));
    button->setGeometry(10, 10, 20, 20);
    button->SetPictureOver(over);
    button->SetPictureDown(down);
    QSignalSpy clicks(button, &TImageButton::clicked);
    const QPoint inside = button->mapToGlobal(QPoint(5, 5));
    PressAt(window.get(), inside);
    ASSERT_EQ(button->VisualState(), TImageButton::vsDown);
    // A menu opened by the press took the release.
    button->ResetLook();
    EXPECT_EQ(button->VisualState(), TImageButton::vsUp);
    EXPECT_TRUE(button->Picture().isNull()) << "the resting look: nothing of its own";
    EXPECT_EQ(clicks.count(), 0);
}

TEST_F(ImageButton, AutoSizeAndTransparency)
{
    button->SetAutoSize(true);
    button->SetPicture(SolidPicture(Qt::red, QSize(33, 12)));
    EXPECT_EQ(button->size(), QSize(33, 12));
    button->SetPictureUp(QPixmap());
    EXPECT_EQ(button->size(), QSize(33, 12)) << "an empty picture leaves the size alone";

    // The colour of the bottom-left pixel is left out of a transparent picture.
    QImage art(10, 10, QImage::Format_RGB32);
    art.fill(QColor(255, 0, 255));
    for (int y = 2; y < 8; ++y)
        for (int x = 2; x < 8; ++x)
            art.setPixel(x, y, qRgb(0, 0, 200));
    button->SetTransparent(true);
    button->SetPicture(QPixmap::fromImage(art));
    QImage drawn(button->size(), QImage::Format_ARGB32);
    drawn.fill(Qt::transparent);
    button->render(&drawn, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_EQ(qAlpha(drawn.pixel(0, 0)), 0);
    EXPECT_EQ(drawn.pixel(5, 5), qRgb(0, 0, 200));

    button->SetTransparent(false);
    drawn.fill(Qt::transparent);
    button->render(&drawn, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_EQ(drawn.pixel(0, 0), qRgb(255, 0, 255));
}

} // namespace

TEST_F(ImageButton, HandlerThatFailsLeavesNoPressedLookBehind)
{
    button->SetPictureUp(up);
    button->SetPictureDown(down);
    QObject::connect(button, &TImageButton::mouseDown, [] { throw std::runtime_error("down failed"); });
    QObject::connect(button, &TImageButton::clicked, [] { throw std::runtime_error("click failed"); });

    // Straight to the button's own event handler: the error comes back here
    // without unwinding through Qt's event delivery, which is not built for it.
    const QPointF inside(5, 5);
    QMouseEvent press(QEvent::MouseButtonPress, inside, button->mapToGlobal(inside), Qt::LeftButton,
        Qt::LeftButton, Qt::NoModifier);
    EXPECT_THROW(static_cast<QObject*>(button)->event(&press), std::runtime_error);
    EXPECT_EQ(button->VisualState(), TImageButton::vsDown);
    EXPECT_EQ(Shown(), "down");

    QMouseEvent release(
        QEvent::MouseButtonRelease, inside, button->mapToGlobal(inside), Qt::LeftButton, {}, Qt::NoModifier);
    EXPECT_THROW(static_cast<QObject*>(button)->event(&release), std::runtime_error);
    EXPECT_EQ(button->VisualState(), TImageButton::vsReleased);
    EXPECT_EQ(Shown(), "up");
}
