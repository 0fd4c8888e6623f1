// The about box: Kivu's icon, its version and a short notice.
#pragma once

#include <QDialog>

namespace kivu {

class CAboutDlg : public QDialog {
 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace kivu
