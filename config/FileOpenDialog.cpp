#include "config/FileOpenDialog.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScroller>
#include <QStyle>
#include <QVBoxLayout>

#include "config/KivuPicture.h"
#include "config/TouchDialog.h"

namespace kivu {

namespace {

// Rows as high as a finger needs.
constexpr int kRowHeight = kTouchHeight;
constexpr int kListIconSize = 24;
// The size the dialog takes where the screen has room for it.
constexpr QSize kWantedSize(620, 420);

constexpr int kUpPicture = 164;
constexpr int kUpPressedPicture = 165;
constexpr int kFolderPicture = 162;

QString Shown(const std::string& bytes) {
  return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// A button drawn as one of two pictures, normal and pressed.
class PictureButton : public QAbstractButton {
 public:
  PictureButton(QPixmap normal, QPixmap pressed, QWidget* parent)
      : QAbstractButton(parent), normal_(std::move(normal)), pressed_(std::move(pressed)) {
    setFixedSize(kTouchHeight, kTouchHeight);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QPixmap& picture = isDown() && !pressed_.isNull() ? pressed_ : normal_;
    if (picture.isNull()) {
      painter.drawText(rect(), Qt::AlignCenter, text());
      return;
    }
    int side = width() - 8;
    painter.drawPixmap(QRect((width() - side) / 2, (height() - side) / 2, side, side), picture);
    if (hasFocus()) painter.drawRect(rect().adjusted(0, 0, -1, -1));
  }

 private:
  QPixmap normal_;
  QPixmap pressed_;
};

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
    : QDialog(parent), browser_(attributeMask, filter) {
  setWindowTitle("Open");
  setObjectName("159");
  MakeTouchDialog(*this);

  auto* folderPicture = new QLabel(this);
  folderPicture->setPixmap(KivuPicture(kFolderPicture));
  pathLabel_ = new PathLabel(this);
  pathLabel_->setObjectName("1011");
  pathLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  upButton_ = new PictureButton(KivuPicture(kUpPicture), KivuPicture(kUpPressedPicture), this);
  upButton_->setObjectName("1008");
  upButton_->setText("Up");
  upButton_->setToolTip("Up");
  upButton_->setAccessibleName("Up");

  list_ = new QListWidget(this);
  list_->setObjectName("1007");
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setUniformItemSizes(true);
  list_->setIconSize(QSize(kListIconSize, kListIconSize));
  list_->setSortingEnabled(false);  // the entries come sorted
  QScroller::grabGesture(list_->viewport(), QScroller::TouchGesture);

  auto* nameLabel = new QLabel("&Name", this);
  nameEdit_ = new QLineEdit(this);
  nameEdit_->setObjectName("1009");
  nameLabel->setBuddy(nameEdit_);
  auto* typeLabel = new QLabel("&Type", this);
  typeBox_ = new QComboBox(this);
  typeBox_->setObjectName("1010");
  typeLabel->setBuddy(typeBox_);
  for (const FileType& type : browser_.Types())
    typeBox_->addItem(Shown(type.description));
  typeBox_->setCurrentIndex(browser_.TypeIndex());

  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("1");
  ok->setDefault(true);
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("2");
  MakeTouchComboBox(*typeBox_);
  for (QWidget* control : std::initializer_list<QWidget*>{nameEdit_, ok, cancel})
    control->setMinimumHeight(kTouchHeight);
  ok->setMinimumWidth(110);
  cancel->setMinimumWidth(110);

  auto* top = new QHBoxLayout;
  top->addWidget(folderPicture);
  top->addWidget(pathLabel_, 1);
  top->addWidget(upButton_);
  auto* fields = new QHBoxLayout;
  fields->addWidget(nameLabel);
  fields->addWidget(nameEdit_, 3);
  fields->addSpacing(16);
  fields->addWidget(typeLabel);
  fields->addWidget(typeBox_, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(list_, 1);
  layout->addLayout(fields);
  layout->addLayout(buttons);
  resize(kWantedSize);

  EnsureIconTheme();
  folderIcon_ = ThemeIcon("folder", style()->standardIcon(QStyle::SP_DirIcon));
  programIcon_ = ThemeIcon("application-x-executable", style()->standardIcon(QStyle::SP_FileIcon));
  fileIcon_ = ThemeIcon("text-x-generic", style()->standardIcon(QStyle::SP_FileIcon));

  connect(ok, &QPushButton::clicked, this, &CFileOpen::accept);
  connect(cancel, &QPushButton::clicked, this, &CFileOpen::reject);
  connect(upButton_, &QAbstractButton::clicked, this, [this] { OnUp(); });
  connect(list_, &QListWidget::itemSelectionChanged, this, [this] { OnSelectionChanged(); });
  connect(list_, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { OnDoubleClicked(item); });
  connect(typeBox_, &QComboBox::currentIndexChanged, this, [this](int index) { OnTypeChanged(index); });
}

int CFileOpen::DoModal() {
  FitToScreen(*this, kWantedSize);
  return ExecInFront(*this) == kDialogOk ? kDialogOk : kDialogCancel;
}

void CFileOpen::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!initialized_) Initialize();
}

void CFileOpen::Initialize() {
  initialized_ = true;
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
    item->setSizeHint(QSize(0, kRowHeight));
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
  if (initialized_) ListFolder(browser_.CurrentFolder());
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

void CFileOpen::reject() {
  done(kDialogCancel);
}

}  // namespace kivu
