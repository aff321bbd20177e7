#pragma once

#include <string>

#include "wizard/model/wizard_window.h"
#include "wizard/ui/startup.h"

namespace wizard {

// Sets the framework page's title, text and link for the variant and shows it
// in place of the welcome page, with the install button.
void PrepareFrameworkPage(WizardWindow& w, FrameworkStatus status, const std::string& installedVersion);

}  // namespace wizard
