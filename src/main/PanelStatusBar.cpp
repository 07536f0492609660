#include "main/PanelStatusBar.h"

#include <QLabel>
#include <QResizeEvent>
#include <QSizeGrip>

TPanelStatusBar::TPanelStatusBar(const std::vector<int>& Widths, QWidget* Parent)
    : QStatusBar(Parent), Widths_(Widths) {
  for (size_t i = 0; i < Widths_.size(); ++i) {
    auto* Panel = new QLabel(this);
    Panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel->setIndent(2);
    Panel->setTextFormat(Qt::PlainText);
    Panels_.push_back(Panel);
  }
  // The panels are children of the bar, created after its size grip; keep the grip visible.
  if (auto* Grip = findChild<QSizeGrip*>()) Grip->raise();
  PlacePanels();
}

int TPanelStatusBar::PanelWidth(int Index) const {
  return Index >= 0 && Index < PanelCount() ? Widths_[Index] : 0;
}

QRect TPanelStatusBar::PanelRect(int Index) const {
  if (Index < 0 || Index >= PanelCount()) return QRect();
  return Panels_[Index]->geometry();
}

QString TPanelStatusBar::PanelText(int Index) const {
  if (Index < 0 || Index >= PanelCount()) return QString();
  return Panels_[Index]->text();
}

void TPanelStatusBar::SetPanelText(int Index, const QString& Text) {
  if (Index < 0 || Index >= PanelCount()) return;
  Panels_[Index]->setText(Text);
}

void TPanelStatusBar::SetPanelToolTip(int Index, const QString& Text) {
  if (Index >= 0 && Index < PanelCount()) Panels_[Index]->setToolTip(Text);
}

void TPanelStatusBar::resizeEvent(QResizeEvent* Event) {
  QStatusBar::resizeEvent(Event);
  PlacePanels();
}

void TPanelStatusBar::PlacePanels() {
  int Left = 0;
  for (int i = 0; i < PanelCount(); ++i) {
    int W = Widths_[i];
    if (i == PanelCount() - 1) W = std::max(W, width() - Left);
    Panels_[i]->setGeometry(Left, 0, W, height());
    Left += Widths_[i];
  }
}
