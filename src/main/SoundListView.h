#pragma once
// The sound list's view: a report-style list that drags its selected rows by itself and hands
// drag-over, drop and key-down to the window's handlers instead of moving rows on its own.
#include <QPersistentModelIndex>
#include <QTreeWidget>
#include <functional>

class TSoundListView : public QTreeWidget {
  Q_OBJECT
 public:
  explicit TSoundListView(QWidget* Parent);

  std::function<void(QObject* Source, const QPoint& Point, bool& Accept)> OnDragOver;
  std::function<void(QObject* Source, const QPoint& Point)> OnDragDrop;
  std::function<void(int Key, Qt::KeyboardModifiers Shift)> OnKeyDown;
  // Local files and folders dropped from outside the list (a file manager), in drop order.
  std::function<void(const QStringList& Paths)> OnDropFiles;

  // The row marked as the drop target while a drag is over the list, or none.
  QTreeWidgetItem* DropTarget() const;

 protected:
  void startDrag(Qt::DropActions Supported) override;
  void dragEnterEvent(QDragEnterEvent* Event) override;
  void dragMoveEvent(QDragMoveEvent* Event) override;
  void dragLeaveEvent(QDragLeaveEvent* Event) override;
  void dropEvent(QDropEvent* Event) override;
  void keyPressEvent(QKeyEvent* Event) override;
  void drawRow(QPainter* Painter, const QStyleOptionViewItem& Option,
               const QModelIndex& Index) const override;

 private:
  void DragOver(QDragMoveEvent* Event);
  void SetDropTarget(const QModelIndex& Index);
  bool IsFileDrop(const QDropEvent* Event) const;

  QPersistentModelIndex DropTarget_;
};
