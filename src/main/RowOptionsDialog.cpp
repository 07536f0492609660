#include "main/RowOptionsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>

TRowOptionsDialog::TRowOptionsDialog(QWidget* Parent, bool ForRow, const std::optional<sound::TSoundOptions>& Options,
                                     const sound::TSoundOptions& ListOptions)
    : QDialog(Parent),
      loudness_(new QComboBox(this)),
      target_(new QDoubleSpinBox(this)),
      trim_(new QCheckBox(tr("Cut the silence at the start and end"), this)),
      threshold_(new QDoubleSpinBox(this)),
      dither_(new QComboBox(this)) {
  setObjectName(QStringLiteral("RowOptionsDialog"));
  setWindowTitle(ForRow ? tr("Sound options") : tr("List sound options"));
  auto* form = new QFormLayout(this);
  if (ForRow) {
    useList_ = new QCheckBox(tr("Use the list's options"), this);
    form->addRow(useList_);
    connect(useList_, &QCheckBox::toggled, this, [this] { UpdateEnabled(); });
  }
  loudness_->addItems({tr("Off"), tr("Peak"), tr("EBU R128 loudness")});
  target_->setRange(-70, 0);
  target_->setDecimals(1);
  threshold_->setRange(-90, -10);
  threshold_->setDecimals(1);
  threshold_->setSuffix(tr(" dB"));
  dither_->addItems({tr("Off"), tr("Triangular")});
  form->addRow(tr("Loudness:"), loudness_);
  form->addRow(tr("Target:"), target_);
  form->addRow(trim_);
  form->addRow(tr("Silence below:"), threshold_);
  form->addRow(tr("Dither to 8 bits:"), dither_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  form->addRow(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(loudness_, &QComboBox::currentIndexChanged, this, [this] {
    sound::TSoundOptions o;
    o.Loudness = sound::TLoudness(loudness_->currentIndex());
    target_->setValue(o.TargetOrDefault());
    target_->setSuffix(o.Loudness == sound::TLoudness::R128 ? tr(" LUFS") : tr(" dBFS"));
    UpdateEnabled();
  });
  connect(trim_, &QCheckBox::toggled, this, [this] { UpdateEnabled(); });
  if (useList_) useList_->setChecked(!Options);
  Show(Options.value_or(ListOptions));
}

void TRowOptionsDialog::Show(const sound::TSoundOptions& Options) {
  loudness_->setCurrentIndex(int(Options.Loudness));
  target_->setValue(Options.TargetOrDefault());
  trim_->setChecked(Options.Trim);
  threshold_->setValue(Options.TrimThresholdDb);
  dither_->setCurrentIndex(int(Options.Dither));
  UpdateEnabled();
}

void TRowOptionsDialog::UpdateEnabled() {
  const bool own = !useList_ || !useList_->isChecked();
  for (QWidget* w : std::initializer_list<QWidget*>{loudness_, trim_, dither_}) w->setEnabled(own);
  target_->setEnabled(own && loudness_->currentIndex() != 0);
  threshold_->setEnabled(own && trim_->isChecked());
}

std::optional<sound::TSoundOptions> TRowOptionsDialog::Options() const {
  if (useList_ && useList_->isChecked()) return std::nullopt;
  sound::TSoundOptions o;
  o.Loudness = sound::TLoudness(loudness_->currentIndex());
  if (o.Loudness != sound::TLoudness::Off && target_->value() != o.TargetOrDefault()) o.Target = target_->value();
  o.Trim = trim_->isChecked();
  o.TrimThresholdDb = threshold_->value();
  o.Dither = sound::TDither(dither_->currentIndex());
  return o;
}
