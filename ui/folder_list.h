#pragma once
// The folder list: the path from the volume's root down to the current
// folder, one row per folder indented by depth, then the current folder's
// sub-folders (hidden ones left out) sorted by name. Double-clicking a row or
// pressing Enter on it asks for that folder; the owner decides whether it
// becomes current, through ShowFolder. Paths are kept in the file system's
// own bytes, whatever they are; rows show them as DisplayName does.

#include <QByteArray>
#include <QTreeWidget>

namespace quelvane {

class FolderList : public QTreeWidget {
  Q_OBJECT

 public:
  explicit FolderList(QWidget* parent = nullptr);

  // The folder shown as current; empty before the first ShowFolder.
  const QByteArray& folder() const { return folder_; }
  // Shows `folder`, which lies on the volume mounted at `root`. Returns
  // false, leaving the list as it was, when the folder cannot be listed.
  bool ShowFolder(const QByteArray& root, const QByteArray& folder);
  // Whether ShowFolder would show `folder`.
  static bool CanShow(const QByteArray& folder);

 signals:
  void folderChosen(const QByteArray& folder);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  // Rows are indented by depth only: no expand arrows, since every folder
  // on the path is always open.
  void drawBranches(QPainter*, const QRect&, const QModelIndex&) const override {}

 private:
  void ChooseRow(const QTreeWidgetItem* item);

  QByteArray folder_;
};

}  // namespace quelvane
