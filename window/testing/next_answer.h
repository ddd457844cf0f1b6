// The answers that the test desktops (window/testing/fake_desktop.h and the toolkits' scripted
// desktops) give to the controller's questions, one per showing, in order.
#ifndef VELBRIX_WINDOW_TESTING_NEXT_ANSWER_H_
#define VELBRIX_WINDOW_TESTING_NEXT_ANSWER_H_

#include <deque>
#include <utility>

namespace velbrix::testing {

// The first of `answers`, taken from it, or `none` when it is empty.
template <typename T>
T NextAnswer(std::deque<T>& answers, T none) {
  if (answers.empty()) {
    return none;
  }
  T answer = std::move(answers.front());
  answers.pop_front();
  return answer;
}

}  // namespace velbrix::testing

#endif  // VELBRIX_WINDOW_TESTING_NEXT_ANSWER_H_
