#pragma once
// The installer's session: one package, its installation and install.pak's texts, for the window and
// for the command line alike.

#include <memory>
#include <optional>
#include <string>

#include "installer/installation.h"
#include "installer/installerresources.h"
#include "installer/installersession.h"

namespace qel::installer {

class SetupSession final : public InstallerSession {
public:
    // Throws InstallError when the package cannot be installed (target too).
    SetupSession(const builder::PackageReader& package, const InstallerResources& resources, std::string target);

    [[nodiscard]] std::string Text(const std::string& key, const std::string& fallback) const override;
    [[nodiscard]] std::vector<std::uint8_t> Icon() const override;
    [[nodiscard]] std::string SaverName() const override;
    [[nodiscard]] std::string Summary() const override;
    [[nodiscard]] std::vector<std::string> Notes() const override;
    void Install(const Progress& progress) override;
    [[nodiscard]] bool CanActivate(std::string& why) const override;
    std::string Activate() override;
    [[nodiscard]] std::string Result() const override;
    [[nodiscard]] bool StaysActive() const override { return installation_.KeptActivation(); }

    [[nodiscard]] Installation& Work() { return installation_; }

private:
    const InstallerResources& resources_;
    Installation installation_;
    mutable std::optional<bool> hostUsable_;
    mutable std::string hostWhy_;
};

}  // namespace qel::installer
