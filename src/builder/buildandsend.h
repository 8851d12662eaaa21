#pragma once
// The editor's "&Build and Send", after its check for an empty picture list: the prepared build
// files are looked for ("Missing Build Files"), a fresh work folder build, build1, build2 ... is made
// under the temporary folder, the current configuration is saved there as "SaverSetup.dat", the
// builder window runs modally on it, and the work folder is deleted afterwards, whatever happened.

#include <functional>
#include <string>

#include "builder/packagedesktop.h"

class QWidget;

namespace qel::builder {

// `saveSetup`: the editor's own writer of settings files (its SaveSetup), called with the path of
// "SaverSetup.dat" in the work folder; `desktop`: the editor's dialogs and desktop opener.
void RunBuildAndSend(QWidget* owner, const std::function<void(const std::string& path)>& saveSetup,
                     const PackageDesktop& desktop);

// The work folder a build would use now: `tempPath` + "build", numbered on while such a folder
// exists (no trailing "/").
[[nodiscard]] std::string ChooseWorkFolder(const std::string& tempPath);

}  // namespace qel::builder
