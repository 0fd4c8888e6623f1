#include "config/FileOpenDialog.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QScroller>
#include <QStyle>
#include <QVBoxLayout>

#include "view/widgets/KivuPicture.h"
#include "view/widgets/PictureButton.h"

namespace kivu {

namespace {

constexpr int kListIconSize = 24;
constexpr int kButtonWidth = 110;  // OK and Cancel
// The size the dialog takes where the screen has room for it.
constexpr QSize kWantedSize(620, 420);

constexpr int kUpPicture = 164;
constexpr int kUpPressedPicture = 165;
constexpr int kFolderPicture = 162;

// The current folder, its end kept in view when the whole path does not fit: "...maps/europe/west".
class PathLabel : public QLabel {
 public:
  using QLabel::QLabel;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    QRect room = contentsRect();
    QString shown = fontMetrics().elidedText(text(), Qt::ElideLeft, room.width());
    style()->drawItemText(&painter, room, static_cast<int>(alignment()), palette(), isEnabled(), shown,
                          foregroundRole());
  }
};

QIcon ThemeIcon(const char* name, const QIcon& fallback) {
  return QIcon::fromTheme(QString::fromLatin1(name), fallback);
}

}  // namespace

CFileOpen::CFileOpen(std::uint32_t attributeMask, std::string_view filter, QWidget* parent)
    : TouchDialog(parent, kWantedSize), browser_(attributeMask, filter) {
  setWindowTitle("Open");
  setObjectName("159");
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(FolderRow());
  layout->addWidget(CreateList(), 1);
  layout->addLayout(NameAndTypeRow());
  layout->addLayout(OkCancelRow(*this, kButtonWidth));
  resize(kWantedSize);
  LoadIcons();
}

// The folder's picture, the path shown and Up.
QBoxLayout* CFileOpen::FolderRow() {
  auto* folderPicture = new QLabel(this);
  folderPicture->setPixmap(KivuPicture(kFolderPicture));
  pathLabel_ = new PathLabel(this);
  pathLabel_->setObjectName("1011");
  pathLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  constexpr int kUpMargin = 4;
  upButton_ =
      new PictureButton(KivuSizedPicture(kUpPicture), KivuSizedPicture(kUpPressedPicture), this, kUpMargin);
  upButton_->setFixedSize(kTouchHeight, kTouchHeight);
  upButton_->setObjectName("1008");
  upButton_->setText("Up");
  upButton_->setToolTip("Up");
  upButton_->setAccessibleName("Up");
  connect(upButton_, &QAbstractButton::clicked, this, [this] { OnUp(); });

  auto* row = new QHBoxLayout;
  row->addWidget(folderPicture);
  row->addWidget(pathLabel_, 1);
  row->addWidget(upButton_);
  return row;
}

// The folder's entries, rows as high as a finger needs, scrolled by a finger's drag.
QWidget* CFileOpen::CreateList() {
  list_ = new QListWidget(this);
  list_->setObjectName("1007");
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setUniformItemSizes(true);
  list_->setIconSize(QSize(kListIconSize, kListIconSize));
  list_->setSortingEnabled(false);  // the entries come sorted
  QScroller::grabGesture(list_->viewport(), QScroller::TouchGesture);
  connect(list_, &QListWidget::itemSelectionChanged, this, [this] { OnSelectionChanged(); });
  connect(list_, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { OnDoubleClicked(item); });
  return list_;
}

// The name box and the type box, with the type of the filter's first entry.
QBoxLayout* CFileOpen::NameAndTypeRow() {
  auto* nameLabel = new QLabel("&Name", this);
  nameEdit_ = new QLineEdit(this);
  nameEdit_->setObjectName("1009");
  nameEdit_->setMinimumHeight(kTouchHeight);
  nameLabel->setBuddy(nameEdit_);
  auto* typeLabel = new QLabel("&Type", this);
  typeBox_ = new QComboBox(this);
  typeBox_->setObjectName("1010");
  typeLabel->setBuddy(typeBox_);
  for (const FileType& type : browser_.Types())
    typeBox_->addItem(Shown(type.description));
  typeBox_->setCurrentIndex(browser_.TypeIndex());
  MakeTouchComboBox(*typeBox_);
  connect(typeBox_, &QComboBox::currentIndexChanged, this, [this](int index) { OnTypeChanged(index); });

  auto* row = new QHBoxLayout;
  row->addWidget(nameLabel);
  row->addWidget(nameEdit_, 3);
  row->addSpacing(16);
  row->addWidget(typeLabel);
  row->addWidget(typeBox_, 2);
  return row;
}

void CFileOpen::LoadIcons() {
  EnsureIconTheme();
  folderIcon_ = ThemeIcon("folder", style()->standardIcon(QStyle::SP_DirIcon));
  programIcon_ = ThemeIcon("application-x-executable", style()->standardIcon(QStyle::SP_FileIcon));
  fileIcon_ = ThemeIcon("text-x-generic", style()->standardIcon(QStyle::SP_FileIcon));
}

void CFileOpen::Initialize() {
  browser_.Start(startFolder_);
  ShowCurrentFolder();
  ListFolder(browser_.CurrentFolder());
  list_->setFocus();
}

int CFileOpen::ListFolder(const std::string& folder) {
  int result = browser_.ListFolder(folder);
  FillList();
  return result;
}

void CFileOpen::FillList() {
  QSignalBlocker quiet(list_);
  list_->clear();
  const std::vector<FolderEntry>& entries = browser_.Entries();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const FolderEntry& entry = entries[i];
    const QIcon& icon = entry.kind == EntryKind::Folder    ? folderIcon_
                        : entry.kind == EntryKind::Program ? programIcon_
                                                           : fileIcon_;
    auto* item = new QListWidgetItem(icon, Shown(entry.name), list_);
    item->setData(Qt::UserRole, static_cast<qulonglong>(i));
    item->setSizeHint(QSize(0, kTouchHeight));  // rows as high as a finger needs
  }
  list_->scrollToTop();
}

void CFileOpen::ShowCurrentFolder() {
  const std::string& current = browser_.CurrentFolder();
  QString folder = current.empty() ? QStringLiteral("/") : Shown(current);
  pathLabel_->setText(folder);
  pathLabel_->setToolTip(folder);
}

const FolderEntry* CFileOpen::EntryOf(const QListWidgetItem* item) const {
  if (!item) return nullptr;
  std::size_t index = item->data(Qt::UserRole).toULongLong();
  const std::vector<FolderEntry>& entries = browser_.Entries();
  return index < entries.size() ? &entries[index] : nullptr;
}

void CFileOpen::Enter(const FolderEntry& entry) {
  std::string name = entry.name;  // the entry goes with the old listing
  if (browser_.EnterFolder(name)) ShowCurrentFolder();
  FillList();
  nameEdit_->clear();
}

void CFileOpen::OnSelectionChanged() {
  QList<QListWidgetItem*> selected = list_->selectedItems();
  const FolderEntry* entry = EntryOf(selected.value(0));
  if (!entry) return;
  browser_.PickEntry(*entry);
  nameEdit_->setText(Shown(browser_.PickedName()));
}

void CFileOpen::OnDoubleClicked(QListWidgetItem* item) {
  const FolderEntry* entry = EntryOf(item);
  if (!entry) return;
  if (entry->kind == EntryKind::Folder) {
    Enter(*entry);
    return;
  }
  browser_.PickEntry(*entry);
  nameEdit_->setText(Shown(browser_.PickedName()));
  accept();
}

void CFileOpen::OnTypeChanged(int index) {
  browser_.SetTypeIndex(index);
  if (IsInitialized()) ListFolder(browser_.CurrentFolder());
}

void CFileOpen::OnUp() {
  if (!browser_.Up()) return;
  ShowCurrentFolder();
  FillList();
}

void CFileOpen::accept() {
  QString typed = nameEdit_->text();
  if (!typed.isEmpty()) {
    // A name typed over the picked one is the one the user means.
    if (typed != Shown(browser_.PickedName())) browser_.TypeName(typed.toStdString());
    done(kDialogOk);
    return;
  }
  const FolderEntry* entry = EntryOf(list_->selectedItems().value(0));
  if (entry) Enter(*entry);
}

}  // namespace kivu
