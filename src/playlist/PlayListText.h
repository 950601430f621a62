#pragma once

#include "runtime/String.h"

namespace cantrel {

// Escapes a relative path for a URI reference (XSPF and ASX locations):
// "%" first, then blank, "&", "#", "?", "<", ">", the double quote, "\" and
// control characters become their %XX form, so every file name survives. A
// byte kept from an undecodable file name becomes that byte's %XX.
String EscapeLocation(StringView Path);

// Escapes text for XML content and attribute values.
String EscapeXml(StringView Text);

}  // namespace cantrel
