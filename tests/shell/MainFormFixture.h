// SPDX-License-Identifier: GPL-2.0-or-later
// What the main window's tests share: a QApplication and a run folder of
// their own (Languages/ from the source tree, an empty Temp/) as the working
// directory, in English; the frame maps; for each test a fresh settings
// store, controller and window; and the window's controls, which the tests
// work as the user's clicks and the window's own timers do.
#pragma once

#include "camera/CamControllerUnit.h"
#include "camera/Snapwell.h"
#include "core/SettingsStore.h"
#include "shell/MainFrm.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

struct TMainFormTestAccess {
    static const TMainFormControls* Controls(const TMainForm* form) { return form; }
};

inline const TMainFormControls* Ui(const TMainForm* form) { return TMainFormTestAccess::Controls(form); }

inline QTemporaryDir* EnterTestRunFolder()
{
    static int argc = 1;
    static char name[] = "glimview_tests";
    static char* argv[] = { name, nullptr };
    auto* folder = new QTemporaryDir();
    QDir(folder->path()).mkpath(QStringLiteral("Temp"));
    QFile::link(
        QStringLiteral(GLIMVIEW_SOURCE_DIR "/Languages"), folder->filePath(QStringLiteral("Languages")));
    QDir::setCurrent(folder->path());
    setenv("LC_ALL", "en_US.UTF-8", 1);
    if (!QApplication::instance())
        new QApplication(argc, argv);
    return folder;
}

class MainFormFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Folder = EnterTestRunFolder();
        SetFrameMapReport([](const QString&) {});
        CreateFrameMaps();
    }
    static void TearDownTestSuite() { CloseFrameMaps(); }

    void SetUp() override
    {
        // A fresh store and controller each time: nothing carries over.
        qputenv("XDG_CONFIG_HOME", Folder->filePath(QStringLiteral("config-%1").arg(++Run)).toUtf8());
        OpenSettingsStore();
        CreateCamController();
    }
    void TearDown() override
    {
        delete Form;
        Form = nullptr;
        CloseSettingsStore();
        DestroyCamController();
    }

    // The window shown, without the designed pause at its start.
    TMainForm* MakeForm(int screenDepth = 24)
    {
        Form = new TMainForm();
        Form->ScreenDepth = [screenDepth] { return screenDepth; };
        Form->StartupPause = [](int) {};
        Form->show();
        return Form;
    }

    static inline QTemporaryDir* Folder = nullptr;
    static inline int Run = 0;
    TMainForm* Form = nullptr;
};
