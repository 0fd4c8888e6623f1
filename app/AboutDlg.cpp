#include "app/AboutDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "view/widgets/KivuPicture.h"
#include "view/widgets/TouchDialog.h"

namespace kivu {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle("About Kivu");
  setObjectName("100");
  MakeTouchDialog(*this);
  auto* icon = new QLabel(this);
  icon->setObjectName("201");
  icon->setPixmap(KivuPicture(128));
  auto* version = new QLabel("Kivu Version 1.0", this);
  version->setObjectName("202");
  auto* notice = new QLabel(
      "Flight instruments for your car, from GPS alone.\nDrive by the road, not by the dashboard.", this);
  notice->setObjectName("203");
  notice->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName("1");
  buttons->button(QDialogButtonBox::Ok)->setMinimumSize(2 * kTouchHeight, kTouchHeight);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* grid = new QGridLayout(this);
  grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
  grid->addWidget(version, 0, 1);
  grid->addWidget(notice, 1, 1);
  grid->addWidget(buttons, 2, 0, 1, 2);
  grid->setSpacing(12);
  grid->setContentsMargins(16, 16, 16, 16);
}

}  // namespace kivu
