// The program's icon, shared by both windows: a coil and a diode under a rising
// arrow, the boost converter in one glance.  Drawn by program at every size.
#pragma once

#include <QIcon>

namespace AppIcon {

// The icon with 16, 32, 48 and 64 px pixmaps.
QIcon icon();

} // namespace AppIcon
