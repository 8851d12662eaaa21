#pragma once
// The editor's "&Build and Send", after its check for an empty picture list: the prepared build
// files are looked for ("Missing Build Files"), a fresh work folder build, build1, build2 ... is made
// under the temporary folder, the current configuration is saved there as "SaverSetup.dat", the
// builder window runs modally on it, and the work folder is deleted afterwards, whatever happened.

#include <functional>
#include <string>

#include "settings/saversettings.h"

class QWidget;

namespace qel::builder {

// `current`: the state of the editor's controls, saved or not.
void RunBuildAndSend(QWidget* owner, const settings::SaverSettings& current);
// The same, with the editor's own writer of settings files (its SaveSetup) called with the path of
// "SaverSetup.dat" in the work folder.
void RunBuildAndSend(QWidget* owner, const std::function<void(const std::string& path)>& saveSetup);

// The work folder a build would use now: `tempPath` + "build", numbered on while such a folder
// exists (no trailing "/").
[[nodiscard]] std::string ChooseWorkFolder(const std::string& tempPath);

}  // namespace qel::builder
