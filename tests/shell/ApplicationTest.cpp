// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/Application.h"
#include "core/Assertion.h"
#include "core/CodeSiteHelperUnit.h"
#include "core/CoreLogging.h"
#include "core/ErrorGuard.h"
#include "widgets/ImageButton.h"

#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// The application lives in main(), so that it is gone (with its font
// caches) before the process ends.
TGlimviewApplication& App() { return *static_cast<TGlimviewApplication*>(QCoreApplication::instance()); }

const QEvent::Type FailingEvent = QEvent::Type(QEvent::registerEventType());
const QEvent::Type PlainEvent = QEvent::Type(QEvent::registerEventType());

// A handler that fails its internal check on FailingEvent.
class TFailingHandler : public QObject {
public:
    int FailedLine = 0;
    int Failures = 0;
    int PlainEvents = 0;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == PlainEvent) {
            ++PlainEvents;
            return true;
        }
        if (e->type() == FailingEvent) {
            ++Failures;
            FailedLine = __LINE__ + 1;
            GLIM_ASSERT(1 + 1 == 3);
        }
        return QObject::event(e);
    }
};

QList<QMessageBox*> VisibleBoxes()
{
    QList<QMessageBox*> boxes;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
            boxes.append(box);
    return boxes;
}

} // namespace

TEST(ShellApplication, AssertionTextNamesTheFileAndLine)
{
    int line = 0;
    try {
        line = __LINE__ + 1;
        GLIM_ASSERT(false);
        FAIL() << "no error raised";
    } catch (const EAssertionFailed& error) {
        EXPECT_EQ(error.what(), "Assertion failure (ApplicationTest.cpp, line " + std::to_string(line) + ")");
    }
    EXPECT_NO_THROW(GLIM_ASSERT(true));
}

TEST(ShellApplication, ErrorInAHandlerShowsABoxAndTheProgramGoesOn)
{
    TGlimviewApplication& app = App();
    app.setApplicationDisplayName("Tessaly - Norvel Electronics Inc.");
    TFailingHandler handler;
    QString shownText;
    QString shownTitle;

    QTimer closer;
    closer.setInterval(10);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shownText = box->text();
            shownTitle = box->windowTitle();
            box->buttons().first()->click();
        }
    });
    closer.start();

    QCoreApplication::postEvent(&handler, new QEvent(FailingEvent));
    QCoreApplication::postEvent(&handler, new QEvent(PlainEvent));
    ASSERT_TRUE(QTest::qWaitFor([&] { return handler.PlainEvents == 1; }, 10000));
    EXPECT_EQ(handler.Failures, 1);
    EXPECT_EQ(shownText, QString("Assertion failure (ApplicationTest.cpp, line %1)").arg(handler.FailedLine));
    EXPECT_TRUE(shownTitle.startsWith("Tessaly - Norvel Electronics Inc.")) << qPrintable(shownTitle);
    EXPECT_TRUE(VisibleBoxes().isEmpty());
}

TEST(ShellApplication, SecondErrorWhileTheBoxIsOpenAddsNoSecondBox)
{
    App();
    TFailingHandler handler;
    int boxesSeen = 0;
    int mostBoxesAtOnce = 0;
    bool secondPosted = false;

    QTimer closer;
    closer.setInterval(10);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        const auto boxes = VisibleBoxes();
        mostBoxesAtOnce = std::max(mostBoxesAtOnce, int(boxes.size()));
        if (boxes.isEmpty())
            return;
        if (!secondPosted) {
            // The box's own event loop delivers this one.
            secondPosted = true;
            ++boxesSeen;
            QCoreApplication::postEvent(&handler, new QEvent(FailingEvent));
            return;
        }
        if (handler.Failures == 2)
            boxes.first()->buttons().first()->click();
    });
    closer.start();

    testing::internal::CaptureStderr();
    QCoreApplication::postEvent(&handler, new QEvent(FailingEvent));
    const bool finished
        = QTest::qWaitFor([&] { return handler.Failures == 2 && VisibleBoxes().isEmpty(); }, 10000);
    const std::string stderrText = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(finished);
    EXPECT_EQ(boxesSeen, 1);
    EXPECT_EQ(mostBoxesAtOnce, 1);
    EXPECT_NE(stderrText.find("Assertion failure (ApplicationTest.cpp"), std::string::npos) << stderrText;

    // The guard is released: a later error shows its box again.
    int laterBoxes = 0;
    QObject::disconnect(&closer, nullptr, nullptr, nullptr);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            ++laterBoxes;
            box->buttons().first()->click();
        }
    });
    QCoreApplication::postEvent(&handler, new QEvent(FailingEvent));
    ASSERT_TRUE(QTest::qWaitFor([&] { return laterBoxes == 1 && handler.Failures == 3; }, 10000));
}

TEST(ShellApplication, ErrorInAClickHandlerEndsThereAndTheButtonGoesOn)
{
    App();
    TImageButton button;
    button.resize(20, 10);
    button.show();
    int clicks = 0;
    int failedLine = 0;
    int mouseUps = 0;
    QObject::connect(&button, &TImageButton::clicked, &button, Guarded([&] {
        ++clicks;
        failedLine = __LINE__ + 1;
        GLIM_ASSERT(clicks == 0);
    }));
    QObject::connect(&button, &TImageButton::released, &button, [&] { ++mouseUps; });

    QStringList shownTexts;
    QTimer closer;
    closer.setInterval(10);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shownTexts.append(box->text());
            box->buttons().first()->click();
        }
    });
    closer.start();

    const QPointF inside(5, 5);
    for (int round = 1; round <= 2; ++round) {
        QMouseEvent press(QEvent::MouseButtonPress, inside, button.mapToGlobal(inside), Qt::LeftButton,
            Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, inside, button.mapToGlobal(inside), Qt::LeftButton,
            {}, Qt::NoModifier);
        QCoreApplication::sendEvent(&button, &press);
        // The release is delivered as handled: the error ended in the slot,
        // not in the application's last net.
        EXPECT_TRUE(QCoreApplication::sendEvent(&button, &release));
        EXPECT_EQ(clicks, round);
        // What the button raises after the click still happens, and it
        // leaves its pressed look.
        EXPECT_EQ(mouseUps, round);
        EXPECT_EQ(button.VisualState(), TImageButton::vsReleased);
    }
    const QString expected = QString("Assertion failure (ApplicationTest.cpp, line %1)").arg(failedLine);
    EXPECT_EQ(shownTexts, QStringList({ expected, expected }));
    EXPECT_TRUE(VisibleBoxes().isEmpty());
}

TEST(ShellApplication, TraceScopesAreSilentUntilSwitchedOn)
{
    static QStringList lines;
    lines.clear();
    const QtMessageHandler previous
        = qInstallMessageHandler([](QtMsgType, const QMessageLogContext& context, const QString& text) {
              if (QByteArray(context.category) == "glimview.core")
                  lines.append(text);
          });
    {
        TCodeSiteHelper scope(lcCore(), "AddImage");
    }
    EXPECT_TRUE(lines.isEmpty());

    QLoggingCategory::setFilterRules("glimview.core.debug=true");
    {
        TCodeSiteHelper outer(lcCore(), "ProcessRecord");
        TCodeSiteHelper inner(lcCore(), "AddImage");
    }
    QLoggingCategory::setFilterRules(QString());
    qInstallMessageHandler(previous);
    EXPECT_EQ(lines,
        (QStringList { "enter ProcessRecord", "enter AddImage", "leave AddImage", "leave ProcessRecord" }));
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests happens without the test environment, and without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TGlimviewApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
