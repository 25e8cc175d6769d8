// Making the measure surfaces of a model away from the window's thread.
//
// A city of a million triangles takes a good part of a second to file for
// measuring; made on the first mouse move, that froze the viewer. The view
// starts the work on a worker thread when measuring begins and whenever the
// model changes while it measures, and snaps nothing until it is done.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

#include "view/Measure.h"

class CInkNode;

namespace korvex {

class MeasureBuild {
 public:
  MeasureBuild() = default;
  MeasureBuild(const MeasureBuild&) = delete;
  MeasureBuild& operator=(const MeasureBuild&) = delete;
  // Stops every job and waits for them.
  ~MeasureBuild();

  // Starts making the surfaces of what is shown under root, after stopping
  // the job in progress. `done` is called on the worker thread when the
  // surfaces are ready (not for a stopped job).
  void Start(CInkNode* root, std::function<void()> done = {});
  // Stops the job in progress and forgets the surfaces. On return the job
  // reads the model no more, so the model may change; what is left of its
  // work ends on its own thread.
  void Stop();
  // The surfaces, once the job has made them; nullptr before and after Stop.
  MeasureScene* Ready();
  // Whether a job is under way or its surfaces are ready.
  bool Started() const { return current_ != nullptr; }
  // Waits until the job in progress has finished; the surfaces then, or
  // nullptr without a job.
  MeasureScene* Wait();

 private:
  struct Job {
    std::unique_ptr<MeasureScene> scene = std::make_unique<MeasureScene>();
    std::mutex readingModel;  // held by the worker while it reads the model
    std::atomic<bool> finished{false};
    std::jthread thread;
  };
  // Joins the stopped jobs that have ended.
  void Reap();
  std::unique_ptr<Job> current_;
  std::vector<std::unique_ptr<Job>> stopped_;
};

}  // namespace korvex
