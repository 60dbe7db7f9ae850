// The program's own pictures, drawn in code: the main window's icon, toolbar buttons, the
// channel navigator's item images, the splash picture and the picture of the main window's
// background.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace pictures {
// The main window's icon, at 16, 32 and 48 pixels.
QIcon FrameIcon();
// The 20 x 20 picture of toolbar command `id` (an empty one for an unknown id).
QPixmap ToolbarButton(int id);
// Navigator images by index: 0 unit, 4 opto module, 5 coaxial module, 6 HF module,
// 8 channel in use, 9 channel not in use. 16 x 16.
QPixmap TreeImage(int index);
QPixmap Splash();
QPixmap Wallpaper();
} // namespace pictures
