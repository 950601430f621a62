// TObject and TPersistent, the roots of the run-time classes.
#pragma once

#include "runtime/String.h"

namespace cantrel {

// The root of the run-time classes: objects that string lists carry on their
// lines and that events name as their sender.
class TObject {
public:
  virtual ~TObject() = default;

  // The name of the object's actual class, without its namespace.
  String ClassName() const;
};

// An object that can copy another of a compatible class.
class TPersistent : public TObject {
public:
  // Copies Source into this object. Without a way to do so it raises
  // EConvertError "Cannot assign a %s to a %s".
  virtual void Assign(const TPersistent& Source);

protected:
  virtual void AssignTo(TPersistent& Dest) const;
};

}  // namespace cantrel
