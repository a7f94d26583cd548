#include "folder_list.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <QFile>
#include <QKeyEvent>
#include <QStringList>
#include <QStyle>

#include <algorithm>
#include <memory>

namespace quelvane {
namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kIndentPixels = 10;

QString ChildPath(const QString& folder, const QString& name) {
  return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

// The visible sub-folders of `folder`, sorted by name with letter case
// folded; false when the folder cannot be read.
bool ListSubFolders(const QString& folder, QStringList& names) {
  struct CloseDir {
    void operator()(DIR* dir) const { closedir(dir); }
  };
  std::unique_ptr<DIR, CloseDir> dir(opendir(QFile::encodeName(folder).constData()));
  if (!dir) return false;
  const int fd = dirfd(dir.get());
  while (const dirent* entry = readdir(dir.get())) {
    if (entry->d_name[0] == '.') continue;  // hidden, and "." and ".."
    struct stat info {};
    // A link to a folder is a folder to the user.
    if (fstatat(fd, entry->d_name, &info, 0) != 0 || !S_ISDIR(info.st_mode)) continue;
    names.push_back(QFile::decodeName(entry->d_name));
  }
  std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
    const int folded = a.compare(b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a < b;
  });
  return true;
}

// The folders from the root down to `folder`, each as its full path.
QStringList PathFromRoot(const QString& root, const QString& folder) {
  QStringList path{root};
  const QStringList below = folder.mid(root.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
  for (const QString& name : below) path.push_back(ChildPath(path.back(), name));
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

bool FolderList::ShowFolder(const QString& root, const QString& folder) {
  QStringList subFolders;
  if (!ListSubFolders(folder, subFolders)) return false;

  clear();
  const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
  QTreeWidgetItem* row = nullptr;
  for (const QString& path : PathFromRoot(root, folder)) {
    const QString caption = row ? path.section(QLatin1Char('/'), -1) : path;
    row = row ? new QTreeWidgetItem(row, {caption}) : new QTreeWidgetItem(this, {caption});
    row->setIcon(0, open);
    row->setData(0, kPathRole, path);
  }
  QTreeWidgetItem* current = row;
  for (const QString& name : subFolders) {
    auto* child = new QTreeWidgetItem(current, {name});
    child->setIcon(0, closed);
    child->setData(0, kPathRole, ChildPath(folder, name));
  }
  expandAll();
  setCurrentItem(current);
  scrollToItem(current);
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
  emit folderChosen(item->data(0, kPathRole).toString());
}

}  // namespace quelvane
