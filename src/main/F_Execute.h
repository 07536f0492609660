#pragma once
// Run a program and wait for its end while the window stays alive.
#include <QString>
#include <QStringList>
#include <cstdint>

class QWidget;

// Show mode the encoder is started with (minimised). Linux opens no console window, so the
// value is carried but has no effect.
constexpr uint16_t SW_MINIMIZE = 6;

struct TExecuteResult {
  bool Started = false;    // false: the program could not be started
  int StartError = 0;      // errno of a failed start
  bool Exited = false;     // ended by exit(), not by a signal
  int ExitCode = -1;
  QString ErrorOutput;     // tail of the program's standard error

  bool Succeeded() const { return Started && Exited && ExitCode == 0; }
  // One line telling why the program did not succeed; empty when it did.
  QString Failure(const QString& FileName) const;
};

// Starts FileName with Params (one list entry per argument, no shell involved), standard
// input from /dev/null, and pumps events until it has ended. Returns at once when the
// program cannot be started. Owner and ShowMode have no effect here.
TExecuteResult ExecuteAndWait(QWidget* Owner, const QString& FileName, const QStringList& Params,
                              uint16_t ShowMode);
