// What a recorder job reports to its caller. The window only needs to know
// whether the job ran; the command-line tool also says why it did not, for
// the refusals that the window passes over in silence.
#pragma once

#include <string>
#include <utility>

namespace recorder::jobs {

enum class Status {
  Done,       // the job ran to its end
  Nothing,    // nothing to do: empty selection, already in place, ...
  Refused,    // the job does not take this: full folder, wrong folder group, ...
  Declined,   // the user answered No or cancelled the model dialog
  Cancelled,  // the user pressed Cancel while it ran
  Failed,     // a flash, link or PC file error ended it
};

struct Outcome {
  Status status = Status::Done;
  // Plain text for the tool; empty when a message box has said it.
  std::string reason;

  bool ok() const { return status == Status::Done; }
  static Outcome done() { return {}; }
  static Outcome nothing(std::string why) { return {Status::Nothing, std::move(why)}; }
  static Outcome refused(std::string why = {}) { return {Status::Refused, std::move(why)}; }
  static Outcome declined(std::string why = {}) { return {Status::Declined, std::move(why)}; }
  static Outcome cancelled() { return {Status::Cancelled, {}}; }
  static Outcome failed(std::string why = {}) { return {Status::Failed, std::move(why)}; }
};

}  // namespace recorder::jobs
