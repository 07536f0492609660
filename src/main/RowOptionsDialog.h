#pragma once
// The preparation options of one row, or the list's defaults.
#include <QDialog>
#include <optional>

#include "sound/SoundOptions.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QWidget;

class TRowOptionsDialog : public QDialog {
  Q_OBJECT
 public:
  // ForRow: the dialog offers "Use the list's options" (Options then empty).
  TRowOptionsDialog(QWidget* Parent, bool ForRow, const std::optional<sound::TSoundOptions>& Options,
                    const sound::TSoundOptions& ListOptions);
  std::optional<sound::TSoundOptions> Options() const;

 private:
  void Show(const sound::TSoundOptions& Options);
  void UpdateEnabled();

  QCheckBox* useList_ = nullptr;
  QComboBox* loudness_;
  QDoubleSpinBox* target_;
  QCheckBox* trim_;
  QDoubleSpinBox* threshold_;
  QComboBox* dither_;
};
