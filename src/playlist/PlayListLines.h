// A playlist's lines, encoded and handed on as they are made.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "playlist/TrailingTidy.h"
#include "runtime/String.h"

namespace cantrel {

class TPlayListWriter;

// A playlist's lines as they are made: each is encoded in the writer's
// encoding, ended with CR LF and handed on in pieces, so no playlist is held
// whole. Blank lines wait for the tidy at the end (TTrailingTidy), which
// only the closing lines can follow.
class TPlayListLines {
public:
  using TOutput = std::function<void(std::string_view Bytes)>;

  TPlayListLines(const TPlayListWriter& Writer, TOutput Output);
  TPlayListLines(const TPlayListLines&) = delete;
  TPlayListLines& operator=(const TPlayListLines&) = delete;

  // Bytes before the first line (a byte-order mark).
  void AddBytes(std::string_view Bytes) { FBytes.append(Bytes); }
  // Adds a line; false, adding nothing, when the encoding cannot hold it.
  bool Add(StringView Line) { return Add({Line}); }
  // The same for a line made of these pieces.
  bool Add(std::initializer_list<StringView> Pieces);
  void AddBlank() { FTidy.AddBlank(); }
  // The tidy, the closing lines and everything that waited.
  void Finish(const std::vector<String>& Closing);

private:
  void AddWaitingBlankLines();
  void Flush();

  const TPlayListWriter& FWriter;
  TOutput FOutput;
  std::string FBytes;
  TTrailingTidy FTidy;
};

}  // namespace cantrel
