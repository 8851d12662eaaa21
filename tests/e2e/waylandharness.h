#pragma once
// A private Wayland compositor for end-to-end tests: sway on its headless backend with outputs of a
// chosen size, run as an unprivileged user when the tests run as root (it refuses to run as root).
// Screen grabs of one output through grim, key input through wtype.

#include <string>
#include <vector>

#include <sys/types.h>

#include "raster/bitmap.h"

namespace qel::e2e {

class HeadlessSway {
public:
    // `outputs` outputs of width×height side by side, named HEADLESS-1, HEADLESS-2, …
    HeadlessSway(int outputs, int width, int height);
    ~HeadlessSway();
    HeadlessSway(const HeadlessSway&) = delete;
    HeadlessSway& operator=(const HeadlessSway&) = delete;

    // The compositor runs and takes clients; otherwise Problem() says why.
    [[nodiscard]] bool Ok() const { return !socket_.empty(); }
    [[nodiscard]] std::string Problem() const;
    [[nodiscard]] std::vector<std::string> Outputs() const;
    // What a program of this session finds in its environment.
    [[nodiscard]] std::vector<std::string> SessionEnv() const;

    // The pixels of one output, 0x00BBGGRR like the raster layer; an empty bitmap when it failed.
    [[nodiscard]] raster::Bitmap Grab(const std::string& output) const;
    // Types `text` on a virtual keyboard; true when it succeeded.
    bool Type(const std::string& text) const;

private:
    std::string folder_;
    std::string socket_;
    std::string problem_;
    int outputs_;
    int width_;
    int height_;
    pid_t pid_ = -1;
};

}  // namespace qel::e2e
