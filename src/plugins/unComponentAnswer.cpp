#include "plugins/unComponentAnswer.h"

TComponentAnswer FailedAnswer(std::string cause) {
  TComponentAnswer answer;
  answer.Cause = std::move(cause);
  return answer;
}

TComponentAnswer UnaskedAnswer(std::string cause) {
  TComponentAnswer answer = FailedAnswer(std::move(cause));
  answer.HostFault = true;
  return answer;
}
