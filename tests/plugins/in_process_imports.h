// The test plug-ins report to the test program through a function it
// exports, which a helper process cannot reach: tests of the host's own
// in-process contract run their imports in the test program.
#pragma once

#include "plugins/IsolatedImport.h"

class InProcessImports {
 public:
  InProcessImports() : saved_(korvex::ImportIsolationSettings().enabled) {
    korvex::ImportIsolationSettings().enabled = false;
  }
  ~InProcessImports() { korvex::ImportIsolationSettings().enabled = saved_; }
  InProcessImports(const InProcessImports&) = delete;
  InProcessImports& operator=(const InProcessImports&) = delete;

 private:
  bool saved_;
};
