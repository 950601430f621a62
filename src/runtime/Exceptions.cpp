#include "runtime/Exceptions.h"

#include <cstring>

#include "runtime/Format.h"
#include "runtime/ResourceStrings.h"

namespace cantrel {

Exception::Exception(String Message) { SetMessage(std::move(Message)); }

Exception::Exception(const TResStringRec* Message, std::initializer_list<TVarRec> Args)
    : Exception(Format(LoadResString(Message), Args)) {}

void Exception::SetMessage(String Message) {
  FMessage = std::move(Message);
  FWhat = StringToUtf8(FMessage);
}

String SysErrorMessage(int ErrorCode) {
  char Buffer[256];
  // The GNU strerror_r returns the text, which may not be in Buffer.
  return Utf8ToString(strerror_r(ErrorCode, Buffer, sizeof Buffer));
}

}  // namespace cantrel
