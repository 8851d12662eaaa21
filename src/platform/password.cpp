#include "password.h"

namespace qel::platform {

void ChangeSaverPassword(WindowHandle)
{
}

bool VerifySaverPassword(WindowHandle)
{
    return true;
}

void SetScreenSaverRunning(bool)
{
}

}  // namespace qel::platform
