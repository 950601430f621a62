// The program's error classes and the messages of caught errors.
#include "runtime/Exceptions.h"

#include <cstring>
#include <new>

#include "runtime/Format.h"
#include "runtime/ResourceStrings.h"
#include "runtime/RuntimeConsts.h"

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

String ExceptionMessage(const std::exception_ptr& Error) {
  try {
    std::rethrow_exception(Error);
  } catch (const Exception& Caught) {
    return Caught.Message();
  } catch (const std::bad_alloc&) {
    return LoadResString(&SOutOfMemory);
  } catch (const std::exception& Caught) {
    return Utf8ToString(Caught.what());
  } catch (...) {
    return LoadResString(&SUnknownError);
  }
}

}  // namespace cantrel
