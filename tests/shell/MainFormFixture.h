// SPDX-License-Identifier: GPL-2.0-or-later
// What the main window's tests share: a QApplication and a run folder of
// their own (Languages/ from the source tree, an empty Temp/) as the working
// directory, in English; the frame maps; for each test a fresh settings
// store, controller and window; and boxes answered as they appear.
#pragma once

#include "MainFormTestAccess.h"
#include "camera/CamControllerUnit.h"
#include "camera/Snapwell.h"
#include "core/SettingsStore.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>

// Answers every modal box as it appears (with the given button, or the one
// of the given text, else its first) and remembers its text and buttons.
class TBoxCloser : public QObject {
public:
    explicit TBoxCloser(QMessageBox::StandardButton answer = QMessageBox::Ok)
        : FAnswer(answer)
    {
        FTimer.setInterval(20);
        QObject::connect(&FTimer, &QTimer::timeout, [this] { Poll(); });
        FTimer.start();
    }
    explicit TBoxCloser(const QString& answerText)
        : TBoxCloser(QMessageBox::NoButton)
    {
        FAnswerText = answerText;
    }
    QStringList Texts;
    QList<QStringList> Buttons;

private:
    void Poll()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        Texts << box->text();
        QStringList names;
        QAbstractButton* button = box->button(FAnswer);
        for (QAbstractButton* b : box->buttons()) {
            names << b->text();
            if (!FAnswerText.isEmpty() && b->text() == FAnswerText)
                button = b;
        }
        Buttons << names;
        if (!button)
            button = box->buttons().value(0);
        button->click();
    }
    QMessageBox::StandardButton FAnswer;
    QString FAnswerText;
    QTimer FTimer;
};

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
        Form->SetStartupSeams([screenDepth] { return screenDepth; }, [](int) {});
        Form->show();
        return Form;
    }

    static inline QTemporaryDir* Folder = nullptr;
    static inline int Run = 0;
    TMainForm* Form = nullptr;
};
