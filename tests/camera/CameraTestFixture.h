// SPDX-License-Identifier: GPL-2.0-or-later
// A controller over frame maps of the test's own, with a snapshot folder of
// its own and the map failure messages collected instead of shown.
#pragma once

#include "RecordingVidcore.h"
#include "TestFrameBlock.h"
#include "camera/CamControllerUnit.h"
#include "camera/Snapwell.h"
#include "filter/frameblock.h"

#include <QDir>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
QT_END_NAMESPACE

inline QStringList& ReportedMapFailures()
{
    static QStringList messages;
    return messages;
}

inline void CollectMapFailure(const QString& message) { ReportedMapFailures().append(message); }

class CameraTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ReportedMapFailures().clear();
        SetFrameMapReport(CollectMapFailure);
        recording_vidcore::Reset();
        ASSERT_TRUE(Folder.isValid());
        ASSERT_TRUE(QDir(Folder.path()).mkdir("Temp"));
        Controller.SetBaseFolder(Folder.path());
        Controller.SetWindows(11, 22, 33);
    }

    void TearDown() override { CloseFrameMaps(); }

    // Creates the maps and the sink's writable view of the block.
    void OpenMaps()
    {
        Names = UniqueTestMapNames();
        CreateFrameMaps(Names.block, Names.permission);
        ASSERT_NE(FrameBlock(), nullptr);
        ASSERT_NE(GrabPermission(), nullptr);
        Sink = std::make_unique<TestFrameBlock>(Names.block);
    }

    uint32_t Permission() const { return frameblock::LoadWord(GrabPermission(), 0); }
    void SetPermission(uint32_t value) { frameblock::StoreWord(GrabPermission(), 0, value); }

    QTemporaryDir Folder;
    TestMapNames Names;
    std::unique_ptr<TestFrameBlock> Sink;
    TCamController Controller;
};
