#pragma once
// The result an engine returns when it has seen a stop request: stopped is
// true and every other field keeps its default, since a stopped run has no
// result to give (callers show none of its fields).
namespace tallyfold {

template <class Result>
Result stoppedResult() {
  Result result;
  result.stopped = true;
  return result;
}

}  // namespace tallyfold
