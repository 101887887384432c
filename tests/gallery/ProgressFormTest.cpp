// SPDX-License-Identifier: GPL-2.0-or-later
#include "GalleryTestSupport.h"
#include "gallery/ProgressFrm.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>

TEST(ProgressForm, ReportsDriveTheWindowAndTheCompletionTest)
{
    EnsureApplication();
    TProgressForm form;
    const auto* percentage = form.findChild<QLabel*>();
    QList<bool> ended;
    QObject::connect(&form, &TProgressForm::conversionEnded, [&](bool complete) { ended << complete; });
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Converting..."));
    EXPECT_EQ(percentage->text(), QStringLiteral("%"));
    EXPECT_FALSE(form.findChild<QProgressBar*>()->isVisibleTo(&form));
    EXPECT_TRUE(form.windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    form.NotifyConvert(TProgressForm::ConvertStarted, 0);
    EXPECT_TRUE(form.isVisible());
    form.NotifyConvert(TProgressForm::ConvertProgress, 42);
    EXPECT_EQ(percentage->text(), QStringLiteral("42%"));
    form.NotifyConvert(TProgressForm::ConvertProgress, 99);
    form.NotifyConvert(TProgressForm::ConvertEnded, 0);
    EXPECT_FALSE(form.isVisible());
    ASSERT_EQ(ended.size(), 1);
    EXPECT_FALSE(ended[0]) << "99 is not complete";

    // A new start resets; 150 shows as sent and counts as complete.
    form.NotifyConvert(TProgressForm::ConvertStarted, 0);
    EXPECT_EQ(form.Progress(), 0);
    form.NotifyConvert(TProgressForm::ConvertProgress, 150);
    EXPECT_EQ(percentage->text(), QStringLiteral("150%"));
    EXPECT_EQ(form.Progress(), 100);
    EXPECT_TRUE(form.IsComplete());
    form.NotifyConvert(TProgressForm::ConvertEnded, 0);
    ASSERT_EQ(ended.size(), 2);
    EXPECT_TRUE(ended[1]);

    // Below zero clamps to 0; unknown kinds are ignored.
    form.SetProgress(-7);
    EXPECT_EQ(form.Progress(), 0);
    EXPECT_EQ(percentage->text(), QStringLiteral("-7%"));
    form.NotifyConvert(9, 100);
    EXPECT_EQ(form.Progress(), 0);
    EXPECT_EQ(ended.size(), 2);
}
