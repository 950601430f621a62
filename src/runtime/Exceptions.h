// The program's error classes and the messages of caught errors.
#pragma once

#include <exception>
#include <string>

#include "runtime/Format.h"
#include "runtime/String.h"

namespace cantrel {

struct TResStringRec;

// The base of every error the program raises: an error object with a message.
class Exception : public std::exception {
public:
  explicit Exception(String Message);
  // The message is a resource string filled with Format.
  Exception(const TResStringRec* Message, std::initializer_list<TVarRec> Args);

  const String& Message() const { return FMessage; }
  void SetMessage(String Message);
  const char* what() const noexcept override { return FWhat.c_str(); }

private:
  String FMessage;
  std::string FWhat;
};

#define CANTREL_EXCEPTION(Name, Base)     \
  class Name : public Base {              \
  public:                                 \
    using Base::Base;                     \
  }

CANTREL_EXCEPTION(EListError, Exception);
CANTREL_EXCEPTION(EStringListError, Exception);
CANTREL_EXCEPTION(EConvertError, Exception);
CANTREL_EXCEPTION(EStreamError, Exception);
CANTREL_EXCEPTION(EFileStreamError, EStreamError);
CANTREL_EXCEPTION(EFCreateError, EFileStreamError);
CANTREL_EXCEPTION(EFOpenError, EFileStreamError);
CANTREL_EXCEPTION(EReadError, EFileStreamError);
CANTREL_EXCEPTION(EIniFileException, Exception);

// The system's text for an errno value.
String SysErrorMessage(int ErrorCode);

// The message of a caught error: an Exception's own, "Out of memory" for
// std::bad_alloc, what() of any other std::exception. Error must be set.
String ExceptionMessage(const std::exception_ptr& Error);

}  // namespace cantrel
