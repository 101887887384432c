// SPDX-License-Identifier: GPL-2.0-or-later
// The main window's start-up and device choices as the capture library sees
// them: a recording stand-in answers for two cameras (or none), and the test
// plays the sink's side of the frame block.
#include "MainFormFixture.h"
#include "RecordingVidcore.h"
#include "TestFrameBlock.h"
#include "camera/CamControllerUnit.h"
#include "camera/CamViewFrm.h"
#include "camera/Snapwell.h"
#include "gallery/MediaStore.h"
#include "widgets/ImageButton.h"

#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

using recording_vidcore::Calls;

class MainFormCallsTest : public MainFormFixture {
protected:
    static void SetUpTestSuite()
    {
        Folder = EnterTestRunFolder();
        SetFrameMapReport([](const QString&) {});
        Names = UniqueTestMapNames();
        CreateFrameMaps(Names.block, Names.permission);
        Sink = std::make_unique<TestFrameBlock>(Names.block);
        Sink->PutFrame(640, 480, [](int32_t, int32_t) { return Bgr { 10, 20, 30 }; });
    }
    static void TearDownTestSuite()
    {
        Sink.reset();
        CloseFrameMaps();
    }

    void StartUp(const recording_vidcore::Script& script)
    {
        recording_vidcore::Reset(script);
        MakeForm();
        ASSERT_TRUE(QTest::qWaitFor([this] { return Form->StartStage() == TMainForm::ssFinished; }, 20000));
    }

    static std::string View()
    {
        return std::to_string(static_cast<unsigned long long>(CamController->ViewHandle()));
    }

    static inline TestMapNames Names;
    static inline std::unique_ptr<TestFrameBlock> Sink;
};

TEST_F(MainFormCallsTest, StartUpCallsInOrder)
{
    StartUp({ true, true, { "Camera A", "Camera B" }, { "Microphone" } });
    const std::string view = View();
    const std::vector<std::string> expected {
        "AM_GetDeviceNum",
        "AM_GetDeviceList(0)",
        "AM_GetDeviceList(1)",
        "AM_GetAudioDeviceNum",
        "AM_GetAudioDeviceList(0)",
        "AM_ChooseVideoDevice(0)",
        "AM_ChooseAudioDevice(0)",
        "AM_CaptureVideoQuit(" + view + ")",
        "AM_OpenCaptureWindow(" + std::to_string(static_cast<unsigned long long>(Form->winId())) + "," + view
            + ",0)",
        "AM_SetVideoType(1)",
        "AM_SetVideoType(1)",
        "AM_SetCaptureFile(" + view + "," + (TempFolder() + QStringLiteral("/sample")).toStdString() + ")",
        "AM_CaptureVideo(" + view + ")",
        "AM_CaptureVideoQuit(" + view + ")",
    };
    std::vector<std::string> calls = Calls();
    // Device queries may carry their numbers differently; compare by prefix.
    ASSERT_EQ(calls.size(), expected.size()) << ::testing::PrintToString(calls);
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(calls[i].substr(0, expected[i].size()), expected[i]) << i;

    EXPECT_EQ(Ui(Form)->pmiVideoDevices->actions().size(), 2);
    EXPECT_TRUE(Ui(Form)->pmiVideoDevices->actions()[0]->isChecked());
    EXPECT_FALSE(Ui(Form)->pmiVideoDevices->actions()[1]->isChecked());
    EXPECT_TRUE(Ui(Form)->pmiAudioDevices->actions()[0]->isChecked());
    EXPECT_TRUE(Form->CamView()->Panel()->isVisible());
    EXPECT_EQ(Ui(Form)->lblStatus->text(), QStringLiteral("Camera ready"));
}

TEST_F(MainFormCallsTest, AnotherCameraResetsTheSizeAndReopens)
{
    StartUp({ true, true, { "Camera A", "Camera B" }, {} });
    Ui(Form)->pmiSIF->trigger();
    ASSERT_TRUE(QTest::qWaitFor([] { return CamController->FormatIndex() == 0; }, 5000));

    // The checked camera again: nothing.
    recording_vidcore::Reset({ true, true, { "Camera A", "Camera B" }, {} });
    Ui(Form)->pmiVideoDevices->actions()[0]->trigger();
    EXPECT_TRUE(Ui(Form)->pmiVideoDevices->actions()[0]->isChecked());
    EXPECT_FALSE(Ui(Form)->tmDeviceChange->isActive()); // nor is a reopening waiting for its tick
    EXPECT_TRUE(Calls().empty()) << ::testing::PrintToString(Calls());

    Ui(Form)->pmiVideoDevices->actions()[1]->trigger();
    EXPECT_EQ(Form->CamView()->size(), QSize(674, 519)); // at once
    EXPECT_FALSE(Ui(Form)->pmiVideoDevices->actions()[0]->isChecked());
    EXPECT_TRUE(Ui(Form)->pmiVideoDevices->actions()[1]->isChecked());
    ASSERT_TRUE(QTest::qWaitFor([] { return Calls().size() >= 4; }, 5000));
    const std::string view = View();
    const std::vector<std::string> expected { "AM_ChooseVideoDevice(1)", "AM_VidCapCloseWindow(" + view + ")",
        "AM_VidCapDestroyWindow(" + view + ")" };
    ASSERT_GE(Calls().size(), 4u);
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(Calls()[i], expected[i]);
    EXPECT_EQ(Calls()[3].rfind("AM_OpenCaptureWindow", 0), 0u);
    EXPECT_EQ(CamController->FormatIndex(), 1);
    EXPECT_TRUE(Ui(Form)->pmiVGA->isChecked());
    EXPECT_FALSE(Ui(Form)->pmiSIF->isChecked());
    EXPECT_TRUE(Form->CamView()->Panel()->isVisible());
}

TEST_F(MainFormCallsTest, NoCameraSaysSo)
{
    TBoxCloser closer;
    StartUp({ true, true, {}, { "Microphone" } });
    EXPECT_EQ(Ui(Form)->lblStatus->text(), QStringLiteral("No camera found"));
    const QStringList& boxes = closer.Texts;
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].startsWith(QStringLiteral("No camera was found")));
    EXPECT_FALSE(Ui(Form)->imgbSnapshot->isVisible());
    EXPECT_TRUE(Ui(Form)->pmiVideoDevices->actions().isEmpty());
    EXPECT_EQ(Ui(Form)->pmiAudioDevices->actions().size(), 1);
    EXPECT_TRUE(std::none_of(Calls().begin(), Calls().end(),
        [](const std::string& call) { return call.rfind("AM_OpenCaptureWindow", 0) == 0; }));
}

TEST_F(MainFormCallsTest, CameraThatDoesNotOpenKeepsLoading)
{
    StartUp({ false, true, { "Camera A" }, {} });
    EXPECT_EQ(Ui(Form)->lblStatus->text(), QStringLiteral("Starting the camera..."));
    EXPECT_FALSE(Ui(Form)->imgbSnapshot->isVisible());
    // The file type stays uncompressed AVI, as the start-up checked it.
    EXPECT_TRUE(Ui(Form)->pmiUncompressedAVI->isChecked());
    EXPECT_EQ(CamController->VideoType(), 0);
    // Sizes cannot be chosen without a camera: the internal check refuses.
    // With no error report in this test the error comes back here, so it is
    // raised from the signal itself; QAction's trigger() is not built for an
    // exception to pass through it.
    EXPECT_THROW(emit Ui(Form)->pmiSIF->triggered(false), std::exception);
    EXPECT_TRUE(Ui(Form)->pmiVGA->isChecked());
}

} // namespace
