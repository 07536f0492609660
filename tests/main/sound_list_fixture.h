#pragma once
// Rows and dialogs for the sound-list tests.
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QStringList>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "main/frmMain.h"
#include "modal_driver.h"

// The texts of one column, row by row.
inline QStringList Column(const TForm1& Form, int C) {
  QStringList Result;
  for (int i = 0; i < Form.LV->topLevelItemCount(); ++i) Result << Form.LV->topLevelItem(i)->text(C);
  return Result;
}

inline QStringList SelectedRows(const TForm1& Form) {
  QStringList Result;
  for (int i = 0; i < Form.LV->topLevelItemCount(); ++i)
    if (Form.LV->topLevelItem(i)->isSelected()) Result << QString::number(i + 1);
  return Result;
}

inline void Select(TForm1& Form, std::initializer_list<int> Rows) {
  Form.LV->clearSelection();
  for (int Row : Rows) Form.LV->topLevelItem(Row - 1)->setSelected(true);
}

// A folder of empty files with the given names.
struct SoundFolder {
  QTemporaryDir Dir;
  explicit SoundFolder(const QStringList& Names) {
    for (const QString& N : Names) {
      QFile F(Dir.filePath(N));
      F.open(QIODevice::WriteOnly);
    }
  }
  QString Path(const QString& Name) const { return QDir(Dir.path()).filePath(Name); }
};

// Chooses Names (in that order) in the next open-file dialog and accepts it.
inline void ChooseInNextFileDialog(const QString& Folder, const QStringList& Names,
                                   bool* Shown = nullptr) {
  ModalDriver::When<QFileDialog>([Folder, Names, Shown](QFileDialog* D) {
    if (Shown) *Shown = true;
    D->setDirectory(Folder);
    QStringList Quoted;
    for (const QString& N : Names) Quoted << u'"' + N + u'"';
    auto* Edit = D->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    Edit->setText(Names.size() == 1 ? Names[0] : Quoted.join(u' '));
    static_cast<QDialog*>(D)->accept();  // what the Open button does
  });
}

// The names an open file dialog shows (not greyed out by its filter), sorted.
inline QStringList VisibleNames(QFileDialog* D) {
  auto* View = D->findChild<QListView*>(QStringLiteral("listView"));
  QStringList Names;
  const QModelIndex Root = View->rootIndex();
  for (int r = 0; r < View->model()->rowCount(Root); ++r) {
    const QModelIndex I = View->model()->index(r, 0, Root);
    if (I.flags() & Qt::ItemIsEnabled) Names << I.data().toString();
  }
  Names.sort();
  return Names;
}

inline void CancelNextFileDialog(bool* Shown = nullptr) {
  ModalDriver::When<QFileDialog>([Shown](QFileDialog* D) {
    if (Shown) *Shown = true;
    D->reject();
  });
}
