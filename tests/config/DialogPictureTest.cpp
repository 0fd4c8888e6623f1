// Both dialogs drawn as a user sees them. With KIVU_SCREENSHOT_DIR set the pictures are also saved there
// (docs/settings-dialog.png and docs/browse-dialog.png come from this, the settings dialog whole on an
// offscreen screen taller than it: QT_QPA_PLATFORM=offscreen:configfile=FILE, the file giving
// {"screens": [{"name": "tall", "x": 0, "y": 0, "width": 1280, "height": 1024}]}).
#include <QComboBox>
#include <QImage>
#include <QListWidget>
#include <QPixmap>
#include <set>
#include <string>

#include "config/FileOpenDialog.h"
#include "config/SettingsDialog.h"
#include "support/QtTestSupport.h"

namespace kivu {
namespace {

// Checks the picture is the dialog's size and holds more than a blank fill, and saves it when asked.
void CheckAndSave(QWidget& dialog, const char* name) {
  QImage picture = dialog.grab().toImage();
  EXPECT_EQ(picture.size(), dialog.size());
  std::set<QRgb> colours;
  for (int y = 0; y < picture.height(); y += 3)
    for (int x = 0; x < picture.width(); x += 3)
      colours.insert(picture.pixel(x, y));
  EXPECT_GT(colours.size(), 20u) << name << " looks blank";
  QString folder = qEnvironmentVariable("KIVU_SCREENSHOT_DIR");
  if (!folder.isEmpty()) {
    EXPECT_TRUE(picture.save(folder + "/" + name));
  }
}

// How both dialogs fit the screens of cars is tested on real screens of those sizes (ScreenTest).
TEST(DialogPictures, TheSettingsDialogIsDrawn) {
  CSettings dialog;
  SettingsValues values;
  values.unitSelection = 1;
  values.navigationPath = "/usr/bin/navit";
  values.recordGpsMessages = 1;
  values.recordTrack = 1;
  values.backlightNight = 20;
  values.speedWarning = 70;
  dialog.SetValues(values);
  dialog.show();
  // The scroll area settles its scroll bars in the layout pass after the show.
  QCoreApplication::processEvents();
  CheckAndSave(dialog, "settings-dialog.png");
}

TEST(DialogPictures, TheBrowseDialogFitsACarScreenAndIsDrawn) {
  CFileOpen dialog(kBrowseAttributeMask, kNavigatorFilter);
  dialog.SetStartFolder("/usr/bin");
  dialog.show();
  EXPECT_LE(dialog.width(), 800);
  EXPECT_LE(dialog.height(), 450);
  auto* list = test::Find<QListWidget>(&dialog, "1007");
  ASSERT_GT(list->count(), 2);
  test::Click(list, list->item(2)->text());
  CheckAndSave(dialog, "browse-dialog.png");
}

}  // namespace
}  // namespace kivu
