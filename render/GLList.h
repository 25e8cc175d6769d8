// A GL display list id that deletes its list when it goes. The context the
// list was made in (or one sharing with it) must be current then.
#pragma once

#include <utility>

namespace korvex {

class GLDisplayList {
 public:
  GLDisplayList() = default;
  explicit GLDisplayList(unsigned id) : id_(id) {}
  ~GLDisplayList() { Reset(); }
  GLDisplayList(GLDisplayList&& other) noexcept : id_(std::exchange(other.id_, 0)) {}
  GLDisplayList& operator=(GLDisplayList&& other) noexcept {
    if (this != &other) {
      Reset();
      id_ = std::exchange(other.id_, 0);
    }
    return *this;
  }
  GLDisplayList(const GLDisplayList&) = delete;
  GLDisplayList& operator=(const GLDisplayList&) = delete;

  unsigned Id() const { return id_; }
  explicit operator bool() const { return id_ != 0; }
  void Reset();

 private:
  unsigned id_ = 0;
};

}  // namespace korvex
