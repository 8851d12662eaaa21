#pragma once
// The screen-saver password hooks. This system has no saver password of its own (the screen
// locker asks for the login password), so both behave as "password library missing".

#include "platform/windowhandle.h"

namespace qel::platform {

// Lets the user change the saver password. Nothing to do here.
void ChangeSaverPassword(WindowHandle parent);

// Asks whether the slideshow may close. Without a password library closing needs no password.
bool VerifySaverPassword(WindowHandle parent);

// Tells the system that a screen saver starts or stops running. Nothing to tell here.
void SetScreenSaverRunning(bool running);

}  // namespace qel::platform
