// Kivu's pictures for its Qt windows, by resource number (see res/README.md).
#pragma once

#include <QPixmap>

#include "view/widgets/SizedPicture.h"

namespace kivu {

// The picture numbered id ("res/<id>-<use>.png"): from the program's resources under ":/res/" when they
// hold it, else from the res folder of the source tree. A null pixmap when neither has it.
QPixmap KivuPicture(int id);
// The same picture with its large drawings ("res/<id>-<use>-<pixels>.png"), for a button that grows.
SizedPicture KivuSizedPicture(int id);

// Makes sure named icons ("folder", "application-x-executable") can be found: on a desktop its icon
// theme serves them; without one (a car PC on eglfs or linuxfb, the offscreen tests) the first installed
// of a few common themes stands in.
void EnsureIconTheme();

}  // namespace kivu
