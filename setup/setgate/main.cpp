// SPDX-License-Identifier: GPL-2.0-or-later
// Setgate: starts the installer only when a USB video camera is attached.
// It shows nothing; every outcome ends with exit code 0.
#include "cameracheck.h"

int main()
{
    setgate::RunCameraCheck();
    return 0;
}
