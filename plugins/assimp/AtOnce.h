// Two pieces of work at once, for the large models the plug-ins read: a
// district of millions of faces reads and converts in about half the time
// on a machine with two cores.
#pragma once

#include <exception>
#include <system_error>
#include <thread>
#include <utility>

namespace korvex::assimp {

// Runs second on a thread of its own and first on this one, and returns
// when both have finished; without a thread to be had, this one does both.
// The first failure of either is passed on once both have stopped.
template <typename First, typename Second>
void AtOnce(First&& first, Second&& second) {
  std::exception_ptr otherFailure;
  std::thread other;
  try {
    other = std::thread([&] {
      try {
        second();
      } catch (...) {
        otherFailure = std::current_exception();
      }
    });
  } catch (const std::system_error&) {
  }
  std::exception_ptr ownFailure;
  try {
    first();
    if (!other.joinable()) second();
  } catch (...) {
    ownFailure = std::current_exception();
  }
  if (other.joinable()) other.join();
  if (ownFailure) std::rethrow_exception(ownFailure);
  if (otherFailure) std::rethrow_exception(otherFailure);
}

}  // namespace korvex::assimp
