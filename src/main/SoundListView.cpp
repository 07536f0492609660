#include "main/SoundListView.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QUrl>

TSoundListView::TSoundListView(QWidget* Parent) : QTreeWidget(Parent) {
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setAllColumnsShowFocus(true);
  setDragEnabled(true);
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  setDragDropMode(QAbstractItemView::DragDrop);
  // The drop target is shown by marking its row; the view's line indicator would suggest a
  // place between rows, which is not how a drop works here.
  setDropIndicatorShown(false);
}

QTreeWidgetItem* TSoundListView::DropTarget() const {
  return DropTarget_.isValid() ? itemFromIndex(DropTarget_) : nullptr;
}

void TSoundListView::startDrag(Qt::DropActions) {
  const QModelIndexList Indexes = selectedIndexes();
  if (Indexes.isEmpty()) return;
  auto* Drag = new QDrag(this);
  Drag->setMimeData(model()->mimeData(Indexes));
  // The drop handler moves the rows itself; whatever the drop reports, the view removes none.
  Drag->exec(Qt::MoveAction);
}

bool TSoundListView::IsFileDrop(const QDropEvent* Event) const {
  if (Event->source() == this || !Event->mimeData()->hasUrls()) return false;
  for (const QUrl& Url : Event->mimeData()->urls())
    if (Url.isLocalFile()) return true;
  return false;
}

void TSoundListView::DragOver(QDragMoveEvent* Event) {
  bool Accept = false;
  const QPoint Point = Event->position().toPoint();
  if (OnDragOver) OnDragOver(Event->source(), Point, Accept);
  const bool Files = IsFileDrop(Event);
  if (Accept) {
    // Files are appended, wherever they land; a copy, so the file manager keeps them.
    SetDropTarget(Files ? QModelIndex() : indexAt(Point));
    Event->setDropAction(Files ? Qt::CopyAction : Qt::MoveAction);
    Event->accept();
  } else {
    SetDropTarget(QModelIndex());
    Event->ignore();
  }
}

void TSoundListView::dragEnterEvent(QDragEnterEvent* Event) {
  QTreeWidget::dragEnterEvent(Event);
  DragOver(Event);
}

void TSoundListView::dragMoveEvent(QDragMoveEvent* Event) {
  QTreeWidget::dragMoveEvent(Event);  // scrolls near the edges
  DragOver(Event);
}

void TSoundListView::dragLeaveEvent(QDragLeaveEvent* Event) {
  QTreeWidget::dragLeaveEvent(Event);
  SetDropTarget(QModelIndex());
}

void TSoundListView::dropEvent(QDropEvent* Event) {
  SetDropTarget(QModelIndex());
  setState(NoState);
  if (IsFileDrop(Event)) {
    Event->setDropAction(Qt::CopyAction);
    Event->accept();
    QStringList Paths;
    for (const QUrl& Url : Event->mimeData()->urls())
      if (Url.isLocalFile()) Paths << Url.toLocalFile();
    if (OnDropFiles) OnDropFiles(Paths);
    return;
  }
  Event->setDropAction(Qt::MoveAction);
  Event->accept();
  if (OnDragDrop) OnDragDrop(Event->source(), Event->position().toPoint());
}

void TSoundListView::keyPressEvent(QKeyEvent* Event) {
  if (OnKeyDown) OnKeyDown(Event->key(), Event->modifiers());
  QTreeWidget::keyPressEvent(Event);
}

void TSoundListView::drawRow(QPainter* Painter, const QStyleOptionViewItem& Option,
                             const QModelIndex& Index) const {
  if (DropTarget_.isValid() && Index.row() == DropTarget_.row() && !Index.parent().isValid()) {
    QStyleOptionViewItem Marked = Option;
    Marked.state |= QStyle::State_Selected;
    QTreeWidget::drawRow(Painter, Marked, Index);
    return;
  }
  QTreeWidget::drawRow(Painter, Option, Index);
}

void TSoundListView::SetDropTarget(const QModelIndex& Index) {
  const QModelIndex Row = Index.isValid() ? Index.siblingAtColumn(0) : QModelIndex();
  if (QModelIndex(DropTarget_) == Row) return;
  DropTarget_ = Row;
  viewport()->update();
}
