#include <gtest/gtest.h>

#include "TempDir.h"
#include "runtime/Exceptions.h"
#include "runtime/FileReader.h"

using namespace cantrel;
using namespace cantrel::test;

TEST(FileReaderTest, ReadsExactRangesAndRefusesShortOnes) {
  TTempDir Temp;
  Temp.MakeFile("data.bin", std::string("head\0body", 9));
  TFileReader Reader(Temp.Folder() + u"data.bin");
  EXPECT_EQ(Reader.Size(), 9u);
  EXPECT_EQ(Reader.ReadAt(5, 4), "body");
  EXPECT_EQ(Reader.ReadAt(0, 5), std::string("head\0", 5));
  EXPECT_EQ(Reader.ReadAt(9, 0), "");
  try {
    Reader.ReadAt(6, 4);
    FAIL();
  } catch (const EReadError& Error) {
    EXPECT_EQ(Error.Message(), u"Stream read error");
  }
  EXPECT_THROW(Reader.ReadAt(UINT64_MAX, 2), EReadError);
}

TEST(FileReaderTest, MissingFileNamesPathAndReason) {
  TTempDir Temp;
  const String Missing = Temp.Folder() + u"none.mo";
  try {
    TFileReader Reader(Missing);
    FAIL();
  } catch (const EFOpenError& Error) {
    EXPECT_EQ(Error.Message(), u"Cannot open file \"" + Missing + u"\". No such file or directory");
  }
}
