// The event handlers of controls.
#include "widgets/ControlEvent.h"

#include "widgets/Application.h"

namespace cantrel {

void FireEvent(const TControlEvent& Event, QObject& Sender) {
  if (!Event) return;
  try {
    Event(Sender);
  } catch (const std::exception& Error) {
    HandleException(Error);
  }
}

}  // namespace cantrel
