#pragma once
// A status bar of fixed panels, as the window's layout has them: each panel has a width, the
// last one reaches to the right end of the bar. Panels sit at fixed places from the left edge,
// so a control placed inside one (the progress bar) lines up with it.
#include <QStatusBar>
#include <QString>
#include <vector>

class QLabel;

class TPanelStatusBar : public QStatusBar {
  Q_OBJECT
 public:
  TPanelStatusBar(const std::vector<int>& Widths, QWidget* Parent);

  int PanelCount() const { return static_cast<int>(Panels_.size()); }
  int PanelWidth(int Index) const;  // the stored width (the last panel may show wider)
  QRect PanelRect(int Index) const; // where the panel is shown, in bar coordinates
  QString PanelText(int Index) const;
  void SetPanelText(int Index, const QString& Text);
  void SetPanelToolTip(int Index, const QString& Text);

 protected:
  void resizeEvent(QResizeEvent* Event) override;

 private:
  void PlacePanels();

  std::vector<int> Widths_;
  std::vector<QLabel*> Panels_;
};
