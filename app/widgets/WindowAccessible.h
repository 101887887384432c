// SPDX-License-Identifier: GPL-2.0-or-later
// Top-level windows built on a plain QWidget (the skinned panel, galleries
// and live view) are frames to screen readers, dialogs when they are one;
// Qt would report them as mere fillers, which readers pass over as layout.
#pragma once

void InstallWindowAccessibility();
