#include "wizard/removal/cancel.h"

#include "wizard/model/cancel_flag.h"
#include "wizard/model/setup_paths.h"
#include "wizard/removal/del_tree.h"
#include "wizard/removal/removal_script.h"

namespace wizard {

void CancelAndExit::Bind() { s_.window.Timer16.onTick = [this] { RunRemovalScript(); }; }

void CancelAndExit::OnCancelButton() {
  WizardWindow& w = s_.window;
  const std::string& mode = w.CancelButton.text();
  if (mode == "Exit" || mode == "Finish") {
    s_.host.EndProgram();
    return;
  }
  // Written on every press, before the question. A "ProgramFiles" value the
  // script cannot walk to, or a file of that name that cannot be replaced,
  // leaves no script; the press goes on regardless and the timer then starts
  // nothing.
  WriteRemovalScript(w, s_.env, s_.files, s_.processes, &heldScript_);

  // The question must not hide behind a topmost window.
  s_.host.MakeNormal();
  const bool yes = s_.host.AskYesNo("Are you sure you want to exit the installation?", "Quillon");
  s_.host.MakeTopMost();
  if (!yes) return;

  w.CancelMarker.SetText(kCancelSentinel);
  DelTree(s_.files, s_.env, MakerDirectory(s_.env));
  if (const auto first = FirstSearchPathDirectory(s_.env)) s_.files.EraseFile(*first + "\\quilbox.dll");
  s_.host.HideWindow();
  w.Timer16.SetEnabled(true);
}

void CancelAndExit::RunRemovalScript() {
  s_.window.Timer16.SetEnabled(false);
  // The hold ends with the program, after the interpreter has had its chance
  // to open the script.
  if (heldScript_) s_.processes.StartHiddenBatch(RemovalScriptPath(s_.env));
  s_.host.EndProgram();
}

}  // namespace wizard
