#pragma once
// Which files are sounds: the open dialog's added filter entries and the files a dropped
// folder contributes.
#include <QString>
#include <QStringList>

class QFileDialog;

// "All sound files" and "All files (*)" in the layout's caption|patterns|... form.
QString ExtraOpenFilter();

// Patterns of every common format the encoder decodes ("*.wav", "*.mp3", ...).
QStringList SoundFilePatterns();

// Paths expanded for adding: a folder gives its sound files (not those of its sub-folders),
// sorted by name without regard to case; anything else stays as it is. Order is kept.
QStringList ExpandSoundPaths(const QStringList& Paths);

// The files an accepted open dialog was given, in the order of its name field. The dialog's
// own answer drops typed names that its filter hides; they are kept here when they exist.
QStringList ChosenFiles(const QFileDialog& Dialog);
