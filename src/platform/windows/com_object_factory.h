#pragma once
// Creates automation objects the way a Basic CreateObject does: the ProgID's class from
// the registry, instantiated in or out of process, reached through IDispatch.

#include "automation/value.h"

namespace windows {

class ComObjectFactory final : public automation::ObjectFactory {
 public:
  // Throws AutomationError 429 when the ProgID is unknown or the object cannot be made; its
  // description says which and gives the HRESULT.
  std::shared_ptr<automation::Object> create(std::u16string_view progId) override;
};

}  // namespace windows
