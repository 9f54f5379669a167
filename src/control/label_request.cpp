#include "control/label_request.h"

#include <stdexcept>

namespace control {

namespace {
constexpr std::array<Value LabelRequest::*, 8> kLines{&LabelRequest::Line1, &LabelRequest::Line2,
                                                      &LabelRequest::Line3, &LabelRequest::Line4,
                                                      &LabelRequest::Line5, &LabelRequest::Line6,
                                                      &LabelRequest::Line7, &LabelRequest::Line8};
}

Value& LabelRequest::line(int number) {
  if (number < 1 || number > 8) throw std::out_of_range("label lines are numbered 1 to 8");
  return this->*kLines[static_cast<std::size_t>(number - 1)];
}

const Value& LabelRequest::line(int number) const { return const_cast<LabelRequest*>(this)->line(number); }

}  // namespace control
