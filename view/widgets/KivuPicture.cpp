#include "view/widgets/KivuPicture.h"

#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QStandardPaths>
#include <QStringList>

namespace kivu {

namespace {

QPixmap PictureIn(const QString& folder, int id) {
  QStringList found = QDir(folder).entryList({QString::number(id) + "-*.png"}, QDir::Files, QDir::Name);
  // "164-up.png" comes before "164-up-pressed.png" would, but numbers are unique in res/ anyway.
  if (found.isEmpty()) return {};
  return QPixmap(folder + "/" + found.front());
}

}  // namespace

QPixmap KivuPicture(int id) {
  QPixmap picture = PictureIn(":/res", id);
  if (picture.isNull()) picture = PictureIn(QStringLiteral(KIVU_RES_DIR), id);
  return picture;
}

void EnsureIconTheme() {
  if (!QIcon::themeName().isEmpty()) return;  // the desktop's choice
  QStringList paths = QIcon::themeSearchPaths();
  for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
    if (!paths.contains(data + "/icons")) paths << data + "/icons";
  }
  QIcon::setThemeSearchPaths(paths);
  for (const char* theme : {"Adwaita", "breeze", "Papirus", "Tango", "gnome", "hicolor"}) {
    for (const QString& folder : paths) {
      if (QFileInfo::exists(folder + "/" + theme + "/index.theme")) {
        QIcon::setThemeName(theme);
        return;
      }
    }
  }
}

}  // namespace kivu
