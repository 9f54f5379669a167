#pragma once
// The print request: one copy per process, shared by every control instance and every
// window, filled by the print entry points, edited by the settings dialogs, composed
// into label lines and printed by the print window. Its fields are the rows of
// request_fields.h.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "automation/value.h"
#include "control/request_fields.h"

namespace control {

using automation::Value;

struct LabelRequest {
  bool PrintSucceeded = false;
#define VANTORY_REQUEST_MEMBER(field, ...) Value field;
  VANTORY_REQUEST_FIELDS(VANTORY_REQUEST_MEMBER)
#undef VANTORY_REQUEST_MEMBER

  // Line1 .. Line8 by 1-based number.
  Value& line(int number);
  const Value& line(int number) const;
};

// One row of the table, as data.
struct RequestField {
  std::string_view name;
  Value LabelRequest::*member;
  std::string_view parameter;
  int printLabelsPosition;
  int printGenericLabelsPosition;
  std::int32_t propertyId;
  FieldDialog dialog;
  std::string_view box;
  std::u16string_view defaultValue;
};

// Every stored field, in declaration order.
inline constexpr std::array kRequestFields{
#define VANTORY_REQUEST_ROW(field, parameter, printLabels, printGeneric, dispid, dialog, box, defaultValue) \
  RequestField{#field, &LabelRequest::field, parameter, printLabels, printGeneric, dispid, FieldDialog::dialog, box, \
               defaultValue},
    VANTORY_REQUEST_FIELDS(VANTORY_REQUEST_ROW)
#undef VANTORY_REQUEST_ROW
};

// The row of a member.
constexpr const RequestField& fieldOf(Value LabelRequest::*member) {
  return *std::ranges::find(kRequestFields, member, &RequestField::member);
}

// The control's stored properties: one per field with a DISPID, numbered by DISPID from
// kFirstPropertyId without gaps.
inline constexpr std::int32_t kFirstPropertyId = 0x68030000;
inline constexpr std::size_t kPropertyCount =
    static_cast<std::size_t>(std::ranges::count_if(kRequestFields, [](const RequestField& f) { return f.propertyId; }));

// The property's index (its DISPID less kFirstPropertyId) by its name; not a constant
// expression, so not compiled, for a name that is no property.
consteval std::size_t propertyIndex(std::string_view name) {
  for (const auto& field : kRequestFields)
    if (field.name == name && field.propertyId != 0) return static_cast<std::size_t>(field.propertyId - kFirstPropertyId);
  throw "no control property has this name";
}

namespace request_fields_checks {

consteval bool propertiesNumberedWithoutGaps() {
  std::array<int, kPropertyCount> seen{};
  for (const auto& field : kRequestFields) {
    if (field.propertyId == 0) continue;
    const auto index = field.propertyId - kFirstPropertyId;
    if (index < 0 || index >= static_cast<std::int32_t>(kPropertyCount) || seen[static_cast<std::size_t>(index)]++)
      return false;
  }
  return true;
}
static_assert(propertiesNumberedWithoutGaps(), "the properties' DISPIDs must run from kFirstPropertyId without gaps");

consteval bool boundFieldsHaveBoxes() {
  return std::ranges::all_of(kRequestFields, [](const RequestField& f) {
    return (f.dialog == FieldDialog::None) == f.box.empty() && (f.dialog == FieldDialog::None || f.printLabelsPosition);
  });
}
static_assert(boundFieldsHaveBoxes(), "a field a dialog shows has a box, and PrintLabels' order orders the dialogs");

}  // namespace request_fields_checks

}  // namespace control
