#pragma once
// What the saver needs of the receiver's system: the shared libraries its program and decoder library
// load, and the plug-ins it uses (the window system's, the media framework's), each with the Debian
// package that brings it. The list is made when the prepared files are built (from the very program
// that goes into packages) and travels in install.pak as "requirements.ini":
//
//   [Libraries]  soname=package   what the saver's program and decoder library load directly
//   [Files]      path=package     plug-ins, loaded by path
//   [Packages]   soname=package   every library they load, directly or not, to name the package of
//                                 one that is missing further down

#include <string>
#include <utility>
#include <vector>

namespace qel::installer {

struct Requirements {
    std::vector<std::pair<std::string, std::string>> libraries;
    std::vector<std::pair<std::string, std::string>> files;
    std::vector<std::pair<std::string, std::string>> packages;
};

[[nodiscard]] Requirements ParseRequirements(const std::string& text);

struct MissingPiece {
    std::string what;     // the library or file
    std::string package;  // the Debian package that brings it; empty when unknown
};

// Asks the system's loader to load every library and plug-in (and lets them go again).
[[nodiscard]] std::vector<MissingPiece> CheckRequirements(const Requirements& r);

// For the user: what is missing and the command that installs it.
[[nodiscard]] std::string MissingMessage(const std::vector<MissingPiece>& missing);

}  // namespace qel::installer
