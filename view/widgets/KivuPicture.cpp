#include "view/widgets/KivuPicture.h"

#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringList>
#include <algorithm>

namespace kivu {

namespace {

// The files of picture id in folder, "<id>-<use>.png" first, then its large drawings
// "<id>-<use>-<pixels>.png" (numbers are unique in res/, so every file found is the one picture's).
QStringList PictureFilesIn(const QString& folder, int id) {
  static const QRegularExpression kLargeDrawing("-[0-9]+\\.png$");
  QStringList found = QDir(folder).entryList({QString::number(id) + "-*.png"}, QDir::Files, QDir::Name);
  std::stable_partition(found.begin(), found.end(),
                        [](const QString& name) { return !kLargeDrawing.match(name).hasMatch(); });
  for (QString& name : found)
    name = folder + "/" + name;
  return found;
}

QStringList PictureFiles(int id) {
  QStringList files = PictureFilesIn(":/res", id);
  if (files.isEmpty()) files = PictureFilesIn(QStringLiteral(KIVU_RES_DIR), id);
  return files;
}

}  // namespace

QPixmap KivuPicture(int id) {
  QStringList files = PictureFiles(id);
  return files.isEmpty() ? QPixmap() : QPixmap(files.front());
}

SizedPicture KivuSizedPicture(int id) {
  QList<QImage> drawings;
  for (const QString& file : PictureFiles(id))
    drawings.append(QImage(file));
  return SizedPicture(drawings);
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
