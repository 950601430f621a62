// The event handlers of controls.
#pragma once

#include <functional>

class QObject;

namespace cantrel {

// An event of a control: a handler bound to it, or empty.
using TControlEvent = std::function<void(QObject& Sender)>;

// Calls a bound handler. An error it raises goes to the application's error
// handler here, so that it never unwinds through Qt's event loop.
void FireEvent(const TControlEvent& Event, QObject& Sender);

}  // namespace cantrel
