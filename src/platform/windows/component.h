#pragma once
// Everything the control shares across its instances, one per process (see ControlModule):
// the request, the windows, the diagnostics sink and the engine factory.

#include "control/entry_points.h"
#include "control/label_request.h"
#include "platform/windows/com_object_factory.h"
#include "platform/windows/message_box_sink.h"
#include "platform/windows/request_windows.h"

namespace windows {

class Component {
 public:
  Component() = default;
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;

  control::LabelRequest& request() noexcept { return request_; }
  control::PrintEntryPoints& entryPoints() noexcept { return entryPoints_; }
  Win32RequestWindows& windows() noexcept { return windows_; }

 private:
  control::LabelRequest request_;
  MessageBoxSink diagnostics_;
  ComObjectFactory engines_;
  Win32RequestWindows windows_{engines_};
  control::PrintEntryPoints entryPoints_{request_, windows_, diagnostics_};
};

}  // namespace windows
