#include "platform/headless/terminal_dialogs.h"

#include <algorithm>
#include <cctype>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "automation/text.h"
#include "platform/headless/headless_settings_view.h"

namespace headless {

namespace {

using forms::ControlDesign;
using forms::ControlKind;
using forms::SettingsDialog;
using forms::SettingsForm;

// A lone "-" empties a box; "\-" types a dash.
constexpr std::string_view kEmptyEntry = "-";
constexpr std::string_view kDashEntry = "\\-";

// One line of the form: a label (if any) and the box beside it.
struct Row {
  const ControlDesign* label = nullptr;
  const ControlDesign* box = nullptr;
};

class TerminalForm {
 public:
  TerminalForm(SettingsForm& form, HeadlessSettingsView& view, std::istream& in, std::ostream& out)
      : form_(form), view_(view), in_(in), out_(out) {}

  void run() {
    out_ << '\n' << utf8(view_.caption()) << '\n'
         << "Enter keeps a value, typing replaces it, \"-\" empties it (\"\\-\" types a dash).\n";
    if (!editAll()) return closeWithoutSaving();
    for (;;) {
      showAll();
      out_ << "[O]k, Restore [D]efaults, [E]dit, [C]lose without saving (Enter: Ok): " << std::flush;
      const auto answer = readLine();
      if (!answer) return closeWithoutSaving();
      const auto choice = lower(*answer);
      if (choice.empty() || choice == "o" || choice == "ok") {
        form_.cmdSave_Click();
        out_ << "Saved.\n";
        return;
      }
      if (choice == "d" || choice == "defaults" || choice == "restore defaults") {
        form_.cmdRestoreDefaults_Click();
      } else if (choice == "e" || choice == "edit") {
        if (!editAll()) return closeWithoutSaving();
      } else if (choice == "c" || choice == "close") {
        return closeWithoutSaving();
      } else {
        out_ << "Please answer O, D, E or C.\n";
      }
    }
  }

 private:
  // The close box; the end of the input closes the same way.
  void closeWithoutSaving() {
    form_.Form_Unload();
    out_ << "Closed without saving.\n";
  }

  static std::string utf8(std::u16string_view text) { return automation::toUtf8(text); }

  static std::string lower(std::string text) {
    std::ranges::transform(text, text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
  }

  // Boxes the user may change: those "&Ok" stores. The generic lines are shown only, as
  // edits to them would never be stored.
  bool editable(const ControlDesign& box) const {
    return std::ranges::any_of(forms::fieldsOf(form_.dialog()),
                               [&](const forms::BoundField& field) { return field.box == box.name; });
  }

  // The visible labels and boxes, top to bottom, a box beside the label on its row.
  std::vector<Row> rows() const {
    std::vector<const ControlDesign*> controls;
    for (const auto& control : form_.design().controls)
      if (control.kind != ControlKind::Button && view_.visible(control.name)) controls.push_back(&control);
    std::ranges::stable_sort(controls, [](const auto* a, const auto* b) {
      return a->top != b->top ? a->top < b->top : a->left < b->left;
    });
    std::vector<Row> rows;
    for (const auto* control : controls) {
      if (rows.empty() || rows.back().box != nullptr || control->top != rowTop(rows.back())) rows.emplace_back();
      (control->kind == ControlKind::Label ? rows.back().label : rows.back().box) = control;
    }
    return rows;
  }

  static int rowTop(const Row& row) { return (row.label ? row.label : row.box)->top; }

  std::size_t labelWidth(const std::vector<Row>& rows) const {
    std::size_t width = 0;
    for (const auto& row : rows)
      if (row.label) width = std::max(width, utf8(view_.text(row.label->name)).size());
    return width;
  }

  void showAll() {
    const auto all = rows();
    const auto width = labelWidth(all);
    for (const auto& row : all) {
      const auto label = row.label ? utf8(view_.text(row.label->name)) : std::string();
      out_ << "  " << label << std::string(width - label.size() + 1, ' ');
      if (row.box) out_ << '[' << utf8(view_.text(row.box->name)) << ']';
      out_ << '\n';
    }
  }

  // One round through the editable boxes in screen order; false when the input ended.
  bool editAll() {
    for (const auto& row : rows()) {
      if (!row.box || !editable(*row.box)) continue;
      auto label = row.label ? utf8(view_.text(row.label->name)) : std::string(row.box->name);
      if (!label.empty() && label.back() == ':') label.pop_back();
      out_ << label << " [" << utf8(view_.text(row.box->name)) << "]: " << std::flush;
      const auto entry = readLine();
      if (!entry) return false;
      if (entry->empty()) continue;
      const std::string typed = *entry == kEmptyEntry ? std::string() : *entry == kDashEntry ? "-" : *entry;
      view_.setText(row.box->name, automation::fromUtf8(typed));
    }
    return true;
  }

  std::optional<std::string> readLine() {
    std::string line;
    if (!std::getline(in_, line)) {
      out_ << '\n';  // end the prompt's line
      return std::nullopt;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
  }

  SettingsForm& form_;
  HeadlessSettingsView& view_;
  std::istream& in_;
  std::ostream& out_;
};

}  // namespace

bool runTerminalDialog(SettingsDialog dialog, control::PrintCall& call, std::istream& in, std::ostream& out,
                       bool interactive) {
  HeadlessSettingsView view(forms::designOf(dialog));
  return forms::ShowSettingsDialog(dialog, view, call, [&](SettingsForm& form) {
    if (interactive) {
      TerminalForm(form, view, in, out).run();
    } else {
      form.cmdSave_Click();
    }
  });
}

HeadlessRequestWindows::Dialog terminalDialog(SettingsDialog dialog, std::istream& in, std::ostream& out,
                                              bool interactive) {
  return [dialog, &in, &out, interactive](control::PrintCall& call) {
    return runTerminalDialog(dialog, call, in, out, interactive);
  };
}

void useTerminalDialogs(HeadlessRequestWindows& windows, std::istream& in, std::ostream& out, bool interactive) {
  windows.printParametersDialog = terminalDialog(SettingsDialog::PrintParameters, in, out, interactive);
  windows.patientDataDialog = terminalDialog(SettingsDialog::PatientData, in, out, interactive);
}

bool standardInputIsTerminal() {
#ifdef _WIN32
  return _isatty(0) != 0;
#else
  return isatty(STDIN_FILENO) != 0;
#endif
}

}  // namespace headless
