#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

// Draws one item of the window that may change thousands of times a second (the upload's
// progress bar, its percentage) at most once per frame, and never later than the next
// frame: what is drawn is always the latest value, so the last one is always shown.
class TFramePacer : public QObject {
 public:
  // A 60 Hz frame, less the millisecond that a pump may leave the timer waiting.
  static constexpr int FrameMs = 15;

  TFramePacer(std::function<void()> Draw, QObject* Parent);

  // The value to draw has changed: drawn now when the last draw is a frame old, else when it is.
  void Changed();
  // Draws a change that is still waiting; for anything the window shows after it.
  void Flush();

 private:
  void DrawNow();

  std::function<void()> draw_;
  QElapsedTimer sinceDraw_;
  QTimer timer_;
  bool pending_ = false;
};
