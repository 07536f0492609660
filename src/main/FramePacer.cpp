#include "main/FramePacer.h"

TFramePacer::TFramePacer(std::function<void()> Draw, QObject* Parent) : QObject(Parent), draw_(std::move(Draw)) {
  timer_.setSingleShot(true);
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, [this] { Flush(); });
}

void TFramePacer::Changed() {
  if (pending_) return;
  const qint64 age = sinceDraw_.isValid() ? sinceDraw_.elapsed() : FrameMs;
  if (age >= FrameMs) {
    DrawNow();
    return;
  }
  pending_ = true;
  timer_.start(int(FrameMs - age));
}

void TFramePacer::Flush() {
  if (pending_) DrawNow();
}

void TFramePacer::DrawNow() {
  pending_ = false;
  timer_.stop();
  sinceDraw_.start();
  draw_();
}
