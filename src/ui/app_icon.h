// The program's icon, drawn rather than loaded so that the tray, the windows and the installed
// icon file (written by the screenshot tool) all show the same picture.
#ifndef KEZ_UI_APP_ICON_H_
#define KEZ_UI_APP_ICON_H_

#include <QIcon>
#include <QPixmap>

namespace kez::ui {

// The icon at `size` by `size` pixels.
QPixmap AppIconPixmap(int size);
// The icon with its 16, 24, 32, 48 and 256 pixel images.
QIcon AppIcon();

}  // namespace kez::ui

#endif  // KEZ_UI_APP_ICON_H_
