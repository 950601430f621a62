// Our Qt objects as window translation sees them.
#pragma once

#include "i18n/ObjectAdapter.h"

class QObject;

namespace cantrel {

// Our Qt objects as window translation sees them. A class of ours names the
// kind of run-time object it stands for in its class information
// "BaseClass" ("TComponent", "TCollection" or "TCollectionItem"); every
// class derived from it is ours too, the classes above it are Qt's.
//
// - Class: our classes from the object's own up, then the base class and
//   TPersistent.
// - Published properties: a component's Name (its object name), then the
//   Q_PROPERTYs our classes declare, never Qt's own. Text properties are of
//   type String, list properties TStrings*, object properties pointers to
//   our Qt objects.
// - A component's owned components: its Qt children that are components of
//   ours, in child order, and the translation marker. A collection's items:
//   its Qt children that are collection items.
// - Objects are watched with guarded pointers, so a retranslation skips a
//   control freed since.
TObjectHandle ObjectHandle(QObject& Object);

}  // namespace cantrel
