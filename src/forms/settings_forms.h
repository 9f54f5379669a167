#pragma once
// The two settings dialogs, `frmPropertyPage` (print parameters) and `frmMoreProperties`
// (patient data): their behaviour once, for every platform, against a SettingsView.
//
// The request is only ever written as strings, and only by "&Ok" (the bound boxes) and
// "Restore &Defaults" (the defaults, at once). A request value with no text form, a Null
// among them, shows as an empty box. A failing print call ends before any dialog opens,
// so filling never meets an error left over from an earlier step.

#include <functional>
#include <span>
#include <string_view>

#include "control/label_request.h"
#include "control/request_windows.h"
#include "forms/settings_design.h"
#include "forms/settings_view.h"

namespace forms {

enum class SettingsDialog {
  PrintParameters,  // frmPropertyPage
  PatientData,      // frmMoreProperties
};

// A text box that shows one request field, and what "Restore &Defaults" stores there.
struct BoundField {
  std::string_view box;
  control::Value control::LabelRequest::*field;
  std::u16string_view defaultValue;
};

const FormDesign& designOf(SettingsDialog dialog);
// The boxes that filling, saving and the defaults go through, in the order they do.
std::span<const BoundField> fieldsOf(SettingsDialog dialog);

// The print parameters dialog shows the request's lines instead of the client number
// for this client type (exact, case-sensitive).
inline constexpr std::u16string_view kGenericClientType = u"GENERIC";

// One display of a dialog, from load to unload. The platform creates the view in the
// design state, calls Form_Load, routes the buttons' clicks and the close box here, and
// ends its modal display once closed() holds.
class SettingsForm {
 public:
  SettingsForm(SettingsDialog dialog, SettingsView& view, control::LabelRequest& request)
      : dialog_(dialog), view_(view), request_(request) {}
  SettingsForm(const SettingsForm&) = delete;
  SettingsForm& operator=(const SettingsForm&) = delete;

  SettingsDialog dialog() const noexcept { return dialog_; }
  const FormDesign& design() const noexcept { return designOf(dialog_); }

  // Caption, centring, then the boxes from the request. Throws when the view fails.
  void Form_Load();
  // "&Ok": the bound boxes into the request, then the close.
  void cmdSave_Click();
  // "Restore &Defaults": the defaults into the request and the boxes; the dialog stays open.
  void cmdRestoreDefaults_Click();
  // The close (the window's close box, and the end of "&Ok"): slides the window out and
  // unloads it. Clicks and closes that arrive during the slide are ignored.
  void Form_Unload();

  // Routes a click on the named control: true when it is one of the two buttons.
  bool click(std::string_view control);
  bool closed() const noexcept { return closed_; }

 private:
  void FillFields();
  void SaveFields();
  void SetDefaults();
  bool accepting() const noexcept { return !unloading_ && !closed_; }

  SettingsDialog dialog_;
  SettingsView& view_;
  control::LabelRequest& request_;
  bool unloading_ = false;
  bool closed_ = false;
};

// Shows a dialog modally: loads it into `view`, then hands it to `runModal`, the platform's
// modal loop (or a scripted user), which returns once the dialog has closed. A loop that
// returns with the dialog still open is taken as the close box. True when the dialog loaded
// and closed normally; false when any step failed, in which case the request must end.
bool ShowSettingsDialog(SettingsDialog dialog, SettingsView& view, control::PrintCall& call,
                        const std::function<void(SettingsForm&)>& runModal);

}  // namespace forms
