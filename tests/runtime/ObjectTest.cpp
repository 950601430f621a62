#include <gtest/gtest.h>

#include "runtime/Exceptions.h"
#include "runtime/Object.h"
#include "runtime/Strings.h"

using namespace cantrel;

namespace {

class TLabel : public TPersistent {};

}  // namespace

TEST(ObjectTest, AssignWithoutAWayRaisesConvertErrorNamingBothClasses) {
  TLabel Label;
  TStringList List;
  EXPECT_EQ(List.ClassName(), u"TStringList");
  const TStrings& Abstract = List;
  EXPECT_EQ(Abstract.ClassName(), u"TStringList");  // the actual class, not the static one
  try {
    List.Assign(Label);
    FAIL();
  } catch (const EConvertError& Error) {
    EXPECT_EQ(Error.Message(), u"Cannot assign a TLabel to a TStringList");
  }
}
