#include "platform/windows/message_box_sink.h"

#include <windows.h>

#include "platform/windows/bstr.h"

namespace windows {

unsigned messageBoxStyle(control::MessageIcon icon) {
  UINT style = MB_OK | MB_TASKMODAL | MB_SETFOREGROUND;
  switch (icon) {
    case control::MessageIcon::Critical: style |= MB_ICONSTOP; break;
    case control::MessageIcon::Information: style |= MB_ICONINFORMATION; break;
    case control::MessageIcon::None: break;
  }
  return style;
}

void MessageBoxSink::show(const control::DiagnosticMessage& message) {
  const std::wstring text = toWide(message.text);
  const std::wstring title = toWide(message.title);
  MessageBoxW(nullptr, text.c_str(), title.empty() ? nullptr : title.c_str(), messageBoxStyle(message.icon));
}

}  // namespace windows
