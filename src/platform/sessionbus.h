#pragma once
// The desktop session's message bus.

namespace qel::platform {

// True when a session bus is there to ask: its address is set, or its socket is in the runtime
// folder. Without one, a bus library would start a private bus of its own, on which no desktop
// service is ever found.
[[nodiscard]] bool SessionBusExists();

}  // namespace qel::platform
