#include "folder_list.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <QKeyEvent>
#include <QList>
#include <QString>
#include <QStyle>

#include <algorithm>
#include <tuple>

#include "platform/folder_stream.h"
#include "text/display_name.h"

namespace quelvane {
namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kIndentPixels = 10;

QByteArray ChildPath(const QByteArray& folder, const QByteArray& name) {
  return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

QString Caption(const QByteArray& name) { return QString::fromStdU16String(DisplayName(name.toStdString())); }

struct SubFolder {
  QString caption;
  QByteArray name;
};

// The visible sub-folders of `folder`, sorted by caption with letter case
// folded; false when the folder cannot be read.
bool ListSubFolders(const QByteArray& folder, QList<SubFolder>& subFolders) {
  const FolderStream dir(opendir(folder.constData()));
  if (!dir) return false;
  const int fd = dirfd(dir.get());
  while (const dirent* entry = readdir(dir.get())) {
    if (entry->d_name[0] == '.') continue;  // hidden, and "." and ".."
    struct stat info {};
    // A link to a folder is a folder to the user.
    if (fstatat(fd, entry->d_name, &info, 0) != 0 || !S_ISDIR(info.st_mode)) continue;
    const QByteArray name(entry->d_name);
    subFolders.push_back({Caption(name), name});
  }
  std::sort(subFolders.begin(), subFolders.end(), [](const SubFolder& a, const SubFolder& b) {
    const int folded = a.caption.compare(b.caption, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : std::tie(a.caption, a.name) < std::tie(b.caption, b.name);
  });
  return true;
}

// The folders from the root down to `folder`, each as its full path.
QList<QByteArray> PathFromRoot(const QByteArray& root, const QByteArray& folder) {
  QList<QByteArray> path{root};
  for (const QByteArray& name : folder.mid(root.size()).split('/')) {
    if (!name.isEmpty()) path.push_back(ChildPath(path.back(), name));
  }
  return path;
}

}  // namespace

FolderList::FolderList(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setExpandsOnDoubleClick(false);
  setUniformRowHeights(true);
  setIndentation(kIndentPixels);
  connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) { ChooseRow(item); });
}

bool FolderList::CanShow(const QByteArray& folder) { return FolderStream(opendir(folder.constData())) != nullptr; }

bool FolderList::ShowFolder(const QByteArray& root, const QByteArray& folder) {
  QList<SubFolder> subFolders;
  if (!ListSubFolders(folder, subFolders)) return false;

  clear();
  const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
  QTreeWidgetItem* row = nullptr;
  for (const QByteArray& path : PathFromRoot(root, folder)) {
    const QString caption = Caption(row ? path.mid(path.lastIndexOf('/') + 1) : path);
    row = row ? new QTreeWidgetItem(row, {caption}) : new QTreeWidgetItem(this, {caption});
    row->setIcon(0, open);
    row->setData(0, kPathRole, path);
  }
  QTreeWidgetItem* current = row;
  for (const SubFolder& subFolder : subFolders) {
    auto* child = new QTreeWidgetItem(current, {subFolder.caption});
    child->setIcon(0, closed);
    child->setData(0, kPathRole, ChildPath(folder, subFolder.name));
  }
  expandAll();
  setCurrentItem(current);
  // The current folder at the top row shows where one can go from it; the
  // list stops scrolling where it ends, so a folder with few sub-folders
  // still shows the rows above it.
  scrollToItem(current, QAbstractItemView::PositionAtTop);
  folder_ = folder;
  return true;
}

void FolderList::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
    ChooseRow(currentItem());
    return;
  }
  QTreeWidget::keyPressEvent(event);
}

void FolderList::ChooseRow(const QTreeWidgetItem* item) {
  emit folderChosen(item->data(0, kPathRole).toByteArray());
}

}  // namespace quelvane
