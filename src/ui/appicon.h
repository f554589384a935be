// The program's icon, shared by both windows: a coil and a diode under a rising
// arrow, the boost converter in one glance.  Drawn by program at every size.
#pragma once

#include <QIcon>
#include <QImage>

namespace AppIcon {

// The icon with 16, 32, 48 and 64 px pixmaps.
QIcon icon();

// The icon drawn into a square image of `size` × `size` pixels, transparent outside
// the badge (for installed icon files).
QImage image(int size);

} // namespace AppIcon
