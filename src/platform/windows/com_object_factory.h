#pragma once
// Creates automation objects the way a Basic CreateObject does: the ProgID's class from
// the registry, instantiated in or out of process, reached through IDispatch.

#include <string>

#include "automation/value.h"

namespace windows {

// Error 429 with the control's own description; reason() says why, with the HRESULT ("it is not
// registered (0x800401F3)"), for a host that reports more than the control's message.
class ObjectCreationError final : public automation::AutomationError {
 public:
  explicit ObjectCreationError(std::string reason);
  const std::string& reason() const noexcept { return reason_; }

 private:
  std::string reason_;
};

class ComObjectFactory final : public automation::ObjectFactory {
 public:
  // Throws ObjectCreationError (429) when the ProgID is unknown or the object cannot be made.
  std::shared_ptr<automation::Object> create(std::u16string_view progId) override;
};

}  // namespace windows
