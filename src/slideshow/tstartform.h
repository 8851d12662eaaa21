#pragma once
// The launcher of the run mode: it tells the system that a screen saver runs, shows the slideshow
// window modally, and ends the mode when that window has closed. It never shows a window of its
// own (a visible launcher could take the focus from the slideshow and end it).

namespace qel::slideshow {

class TStartForm {
public:
    TStartForm();   // the saver is running from here ...
    ~TStartForm();  // ... to here
    TStartForm(const TStartForm&) = delete;
    TStartForm& operator=(const TStartForm&) = delete;

    // Creates the slideshow window, shows it modally and destroys it when it has closed.
    void FormShow();
};

}  // namespace qel::slideshow
