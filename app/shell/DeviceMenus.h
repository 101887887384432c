// SPDX-License-Identifier: GPL-2.0-or-later
// TDeviceMenus: the main menu's lists of cameras and microphones, one
// checked item each, kept in step with the capture library's device lists
// at the start-up and whenever a device comes or goes. Choosing another
// device reopens the camera on it, at the default size.
#pragma once

#include <QString>

#include <cstdint>
#include <functional>

class QAction;
class QActionGroup;
class QMenu;
class QObject;
class QTimer;
class TCompanionWindows;

class TDeviceMenus {
public:
    struct TParts {
        QObject* Owner; // of the item groups
        QMenu* VideoMenu;
        QMenu* AudioMenu;
        QTimer* ReopenTimer; // tmDeviceChange
        // Checks the picture size a camera opens at.
        std::function<void()> CheckDefaultSize;
    };

    TDeviceMenus(TParts parts, const TCompanionWindows& windows);

    // The devices as the start-up found them; the first of each is chosen.
    void FillAtStartup();
    // Lists the devices again. True when the camera should start by itself:
    // the chosen one came back, or one came while none was open.
    bool Refresh();
    // Makes item the chosen device of its menu; another than before is
    // handed to the capture library and the camera reopens on tmDeviceChange.
    void Choose(QAction* item);
    // tmDeviceChange's tick.
    void ReopenCamera();
    QActionGroup* VideoItems() const { return FVideoItems; }
    QActionGroup* AudioItems() const { return FAudioItems; }

private:
    void Fill(QMenu* menu, QActionGroup* items, const QStringList& names, int checkedIndex);
    void SetChosenVideo(const QString& name);

    TParts FParts;
    const TCompanionWindows& FWindows;
    QActionGroup* FVideoItems;
    QActionGroup* FAudioItems;
    int32_t FVideoIndex = 0;
    int32_t FAudioIndex = 0;
    QString FChosenVideo; // the camera the user (or the start-up) chose, by name
};
