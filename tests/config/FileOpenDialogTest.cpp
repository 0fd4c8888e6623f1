#include <sys/stat.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <string>

#include "support/QtTestSupport.h"
#include "config/FileOpenDialog.h"
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
    for (const char* name : {"A.EXE", "b.exe", "c.txt", "exe"})
      WriteFile(dir_ / name, "x");
    WriteFile(dir_ / "navit", "#!/bin/sh\n");
    ASSERT_EQ(chmod((dir_ / "navit").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((dir_ / "Maps").c_str(), 0755), 0);
    WriteFile(dir_ / "Maps/europe.map", "x");
    ASSERT_EQ(mkfifo((dir_ / "gps.pipe").c_str(), 0644), 0);
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
  EXPECT_EQ(type_->currentText(), "Programs (*)");
  EXPECT_EQ(Texts(list_), (QStringList{"exe", "Maps", "navit"}));
  type_->setCurrentIndex(1);
  EXPECT_EQ(Texts(list_), (QStringList{"A.EXE", "b.exe", "Maps"}));
  type_->setCurrentIndex(2);
  EXPECT_EQ(Texts(list_), (QStringList{"A.EXE", "b.exe", "c.txt", "exe", "Maps", "navit"}));
  EXPECT_EQ(label_->text(), Q(root_));
}

TEST_F(BrowseDialog, AMissingStartFolderOpensAtTheRootUnderTheTemplateText) {
  Open(root_ + "/SDMMC");
  EXPECT_EQ(dialog_.CurrentFolder(), "");
  EXPECT_EQ(label_->text(), "Static");
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

TEST_F(BrowseDialog, UpGoesToTheParentButNeverLeavesATopLevelFolder) {
  Open(root_ + "/Maps");
  type_->setCurrentIndex(2);
  Find<QAbstractButton>(&dialog_, "1008")->click();
  EXPECT_EQ(label_->text(), Q(root_));
  EXPECT_EQ(list_->count(), 6);
  CFileOpen top(kBrowseAttributeMask, kNavigatorFilter);
  top.SetStartFolder("/tmp");
  top.show();
  Find<QAbstractButton>(&top, "1008")->click();
  EXPECT_EQ(Find<QLabel>(&top, "1011")->text(), "/tmp");
  EXPECT_EQ(top.CurrentFolder(), "/tmp");
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
    ASSERT_EQ(list->count(), 4);
    test::Click(list, list->item(3)->text());
    Find<QPushButton>(modal, "1")->click();
  });
  EXPECT_EQ(dialog_.DoModal(), kDialogOk);
  EXPECT_EQ(dialog_.GetPathName(), root_ + "/" + odd);
}

}  // namespace
}  // namespace kivu
