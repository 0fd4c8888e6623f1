#include <sys/stat.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <string>

#include "UsersCard.h"
#include "config/FileOpenDialog.h"
#include "support/QtTestSupport.h"
#include "support/TestSupport.h"

namespace kivu {
namespace {

using test::Find;
using test::TempDir;
using test::Texts;
using test::WriteFile;

// The card of a user: programs named the Windows way, a text file, a folder of maps, a Linux program
// without extension, a file called 'exe' and a pipe.
class BrowseDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = dir_.Path().substr(0, dir_.Path().size() - 1);
    test::MakeUsersCard(dir_, {"A.EXE", "b.exe", "c.txt", "exe"});
  }

  // Opens the dialog as the settings dialog does, in start (the tree by default).
  void Open(const std::string& start = "") {
    dialog_.SetStartFolder(start.empty() ? root_ : start);
    dialog_.show();
    list_ = Find<QListWidget>(&dialog_, "1007");
    label_ = Find<QLabel>(&dialog_, "1011");
    name_ = Find<QLineEdit>(&dialog_, "1009");
    type_ = Find<QComboBox>(&dialog_, "1010");
  }
  QString Q(const std::string& text) { return QString::fromStdString(text); }

  TempDir dir_;
  std::string root_;
  CFileOpen dialog_{kBrowseAttributeMask, kNavigatorFilter};
  QListWidget* list_ = nullptr;
  QLabel* label_ = nullptr;
  QLineEdit* name_ = nullptr;
  QComboBox* type_ = nullptr;
};

TEST_F(BrowseDialog, OpensInTheStartFolderWithTheFirstTypeAndEachTypeListsItsFiles) {
  Open();
  EXPECT_EQ(dialog_.windowTitle(), "Open");
  EXPECT_EQ(label_->text(), Q(root_));
  EXPECT_EQ(type_->count(), 3);
  EXPECT_EQ(type_->currentText(), "Programs");
  EXPECT_EQ(Texts(list_), (QStringList{"Maps", "navit"}));
  type_->setCurrentIndex(1);
  EXPECT_EQ(Texts(list_), (QStringList{"A.EXE", "b.exe", "Maps"}));
  type_->setCurrentIndex(2);
  EXPECT_EQ(Texts(list_), (QStringList{"A.EXE", "b.exe", "c.txt", "exe", "Maps", "navit"}));
  EXPECT_EQ(label_->text(), Q(root_));
}

TEST_F(BrowseDialog, AMissingStartFolderOpensAtTheRootShownAsASlash) {
  Open(root_ + "/SDMMC");
  EXPECT_EQ(dialog_.CurrentFolder(), "");
  EXPECT_EQ(label_->text(), "/");
  EXPECT_TRUE(Texts(list_).contains("tmp"));
  test::DoubleClick(list_, "tmp");
  EXPECT_EQ(label_->text(), "/tmp");
  EXPECT_EQ(dialog_.CurrentFolder(), "/tmp");
}

TEST_F(BrowseDialog, SelectingAFolderEmptiesTheNameAndOkEntersIt) {
  Open();
  type_->setCurrentIndex(2);
  test::Click(list_, "b.exe");
  EXPECT_EQ(name_->text(), "b.exe");
  test::Click(list_, "Maps");
  EXPECT_EQ(name_->text(), "");
  Find<QPushButton>(&dialog_, "1")->click();
  EXPECT_TRUE(dialog_.isVisible());
  EXPECT_EQ(label_->text(), Q(root_ + "/Maps"));
  EXPECT_EQ(Texts(list_), (QStringList{"europe.map"}));
  // With nothing typed and nothing selected, OK does nothing at all.
  Find<QPushButton>(&dialog_, "1")->click();
  EXPECT_TRUE(dialog_.isVisible());
  EXPECT_EQ(label_->text(), Q(root_ + "/Maps"));
}

TEST_F(BrowseDialog, UpClimbsFromAHomeFolderToTheRootAndAProgramOfUsrBinIsPicked) {
  const std::string home = root_ + "/home/me";
  ASSERT_EQ(mkdir((root_ + "/home").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(home.c_str(), 0755), 0);
  WriteFile(home + "/README", "#!/bin/sh\n");  // a script's text, but nobody may run it
  WriteFile(home + "/nav.sh", "#!/bin/sh\n");
  ASSERT_EQ(chmod((home + "/nav.sh").c_str(), 0755), 0);
  Open(home);
  EXPECT_EQ(Texts(list_), (QStringList{"nav.sh"}));
  auto* up = Find<QAbstractButton>(&dialog_, "1008");
  // One folder at a time up to the root, which shows as "/" and goes no further.
  for (std::string folder = home; !folder.empty();) {
    folder.resize(folder.rfind('/'));
    up->click();
    EXPECT_EQ(label_->text(), folder.empty() ? QString("/") : Q(folder));
  }
  up->click();
  EXPECT_EQ(label_->text(), "/");
  EXPECT_EQ(dialog_.CurrentFolder(), "");
  test::DoubleClick(list_, "usr");
  test::DoubleClick(list_, "bin");
  EXPECT_EQ(label_->text(), "/usr/bin");
  // A folder is always entered at the top of its list.
  list_->scrollToBottom();
  ASSERT_GT(list_->verticalScrollBar()->value(), 0);
  up->click();
  EXPECT_EQ(list_->verticalScrollBar()->value(), 0);
  list_->scrollToBottom();
  test::DoubleClick(list_, "bin");
  EXPECT_EQ(list_->verticalScrollBar()->value(), 0);
  test::DoubleClick(list_, "env");
  EXPECT_EQ(dialog_.result(), kDialogOk);
  EXPECT_EQ(dialog_.GetPathName(), "/usr/bin/env");
}

TEST_F(BrowseDialog, DoubleClickEntersAFolderAndEndsTheDialogOnAProgram) {
  Open();
  test::DoubleClick(list_, "Maps");
  EXPECT_EQ(label_->text(), Q(root_ + "/Maps"));
  EXPECT_TRUE(dialog_.isVisible());
  Find<QAbstractButton>(&dialog_, "1008")->click();
  test::DoubleClick(list_, "navit");
  EXPECT_FALSE(dialog_.isVisible());
  EXPECT_EQ(dialog_.result(), kDialogOk);
  EXPECT_EQ(dialog_.GetPathName(), root_ + "/navit");
}

TEST_F(BrowseDialog, ATypedNameIsTheResultAndCancelAndCloseEndWithTwo) {
  Open();
  test::Click(list_, "navit");
  name_->setText("x.exe");
  Find<QPushButton>(&dialog_, "1")->click();
  EXPECT_EQ(dialog_.result(), kDialogOk);
  EXPECT_EQ(dialog_.GetPathName(), root_ + "/x.exe");

  CFileOpen cancelled(kBrowseAttributeMask, kNavigatorFilter);
  cancelled.show();
  Find<QPushButton>(&cancelled, "2")->click();
  EXPECT_EQ(cancelled.result(), kDialogCancel);
  CFileOpen closed(kBrowseAttributeMask, kNavigatorFilter);
  closed.show();
  closed.close();
  EXPECT_EQ(closed.result(), kDialogCancel);
}

TEST_F(BrowseDialog, AModalRunHandsBackTheExactBytesOfAnOddName) {
  const std::string odd = "nav\xff\xfe";
  WriteFile(dir_ / odd, "#!/bin/sh\n");
  ASSERT_EQ(chmod((dir_ / odd).c_str(), 0755), 0);
  dialog_.SetStartFolder(root_);
  test::WhenModal([](QWidget* modal) {
    QListWidget* list = Find<QListWidget>(modal, "1007");
    ASSERT_EQ(list->count(), 3);  // Maps and the two programs
    test::Click(list, list->item(2)->text());
    Find<QPushButton>(modal, "1")->click();
  });
  EXPECT_EQ(dialog_.DoModal(), kDialogOk);
  EXPECT_EQ(dialog_.GetPathName(), root_ + "/" + odd);
}

}  // namespace
}  // namespace kivu
