#pragma once
// The folder list: the path from the volume's root down to the current
// folder, one row per folder indented by depth, then the current folder's
// sub-folders (hidden ones left out) sorted by name. Double-clicking a row or
// pressing Enter on it asks for that folder; the owner decides whether it
// becomes current, through ShowFolder.

#include <QString>
#include <QTreeWidget>

namespace quelvane {

class FolderList : public QTreeWidget {
  Q_OBJECT

 public:
  explicit FolderList(QWidget* parent = nullptr);

  // The folder shown as current; empty before the first ShowFolder.
  const QString& folder() const { return folder_; }
  // Shows `folder`, which lies on the volume mounted at `root`. Returns
  // false, leaving the list as it was, when the folder cannot be listed.
  bool ShowFolder(const QString& root, const QString& folder);

 signals:
  void folderChosen(const QString& folder);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  // Rows are indented by depth only: no expand arrows, since every folder
  // on the path is always open.
  void drawBranches(QPainter*, const QRect&, const QModelIndex&) const override {}

 private:
  void ChooseRow(const QTreeWidgetItem* item);

  QString folder_;
};

}  // namespace quelvane
