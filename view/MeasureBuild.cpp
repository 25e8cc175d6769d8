#include "view/MeasureBuild.h"

#include <utility>

namespace korvex {

MeasureBuild::~MeasureBuild() {
  Stop();
  // Each job's thread is joined as it goes.
  stopped_.clear();
}

void MeasureBuild::Start(CInkNode* root, std::function<void()> done) {
  Stop();
  auto job = std::make_unique<Job>();
  Job* raw = job.get();
  job->thread = std::jthread([raw, root, done = std::move(done)](std::stop_token stop) {
    bool read = false;
    {
      // Stop() takes this lock after asking to stop: a job that gets it
      // later sees the request and leaves the model alone.
      std::lock_guard lock(raw->readingModel);
      if (!stop.stop_requested()) read = raw->scene->Gather(root, stop);
    }
    if (read && !stop.stop_requested()) raw->scene->Build(stop);
    const bool made = !stop.stop_requested();
    raw->finished.store(true, std::memory_order_release);
    if (made && done) done();
  });
  current_ = std::move(job);
}

void MeasureBuild::Stop() {
  Reap();
  if (!current_) return;
  current_->thread.request_stop();
  // Once the worker has let go of the model it never reads it again.
  { std::lock_guard lock(current_->readingModel); }
  stopped_.push_back(std::move(current_));
}

void MeasureBuild::Reap() {
  std::erase_if(stopped_, [](const std::unique_ptr<Job>& job) {
    if (!job->finished.load(std::memory_order_acquire)) return false;
    if (job->thread.joinable()) job->thread.join();
    return true;
  });
}

MeasureScene* MeasureBuild::Ready() {
  if (!current_ || !current_->finished.load(std::memory_order_acquire)) return nullptr;
  return current_->scene.get();
}

MeasureScene* MeasureBuild::Wait() {
  if (!current_) return nullptr;
  if (current_->thread.joinable()) current_->thread.join();
  return current_->scene.get();
}

}  // namespace korvex
