// The program browse dialog: one folder at a time, files filtered by type, folders entered and left,
// and the full path of the picked file. Its state lives in FileBrowser; this class shows it.
#pragma once

#include <QIcon>
#include <cstdint>
#include <string>
#include <string_view>

#include "config/FileOpenModel.h"
#include "view/widgets/TouchDialog.h"

class QBoxLayout;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QAbstractButton;

namespace kivu {

// Controls carry their numbers as object names: "1011" path label, "1008" Up, "1007" list, "1009" name
// box, "1010" type box, "1" OK, "2" Cancel.
class CFileOpen : public TouchDialog {
 public:
  // filter: "description|pattern|...||" (see ParseFileFilter); entries whose attributes share a bit with
  // attributeMask are not listed. The first type is selected.
  CFileOpen(std::uint32_t attributeMask, std::string_view filter, QWidget* parent = nullptr);

  // The folder to open in; when it does not exist the dialog opens at the root.
  void SetStartFolder(std::string folder) { startFolder_ = std::move(folder); }

  // After OK: the folder shown + "/" + the picked (or typed) name.
  std::string GetPathName() const { return browser_.GetPathName(); }

  // Refills the list from folder with the current type; 0, or the error of FileBrowser::ListFolder.
  int ListFolder(const std::string& folder);

  const std::string& CurrentFolder() const { return browser_.CurrentFolder(); }

  void accept() override;  // OK

 protected:
  void Initialize() override;

 private:
  QBoxLayout* FolderRow();
  QWidget* CreateList();
  QBoxLayout* NameAndTypeRow();
  void LoadIcons();
  void FillList();
  void ShowCurrentFolder();
  void Enter(const FolderEntry& entry);
  const FolderEntry* EntryOf(const QListWidgetItem* item) const;
  void OnSelectionChanged();
  void OnDoubleClicked(QListWidgetItem* item);
  void OnTypeChanged(int index);
  void OnUp();

  FileBrowser browser_;
  std::string startFolder_;

  QLabel* pathLabel_ = nullptr;
  QAbstractButton* upButton_ = nullptr;
  QListWidget* list_ = nullptr;
  QLineEdit* nameEdit_ = nullptr;
  QComboBox* typeBox_ = nullptr;
  QIcon folderIcon_;
  QIcon programIcon_;
  QIcon fileIcon_;
};

}  // namespace kivu
