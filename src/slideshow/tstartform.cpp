#include "slideshow/tstartform.h"

#include <memory>

#include "platform/password.h"
#include "slideshow/tsavermainfrm.h"

namespace qel::slideshow {

TStartForm::TStartForm()
{
    platform::SetScreenSaverRunning(true);
}

TStartForm::~TStartForm()
{
    platform::SetScreenSaverRunning(false);
}

void TStartForm::FormShow()
{
    auto window = std::make_unique<TSaverMainFrm>();
    window->ShowModal();
}

}  // namespace qel::slideshow
