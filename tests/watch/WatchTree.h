// What the watch tests share: a watching cantrel-cli and trees compared whole.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "CliRunner.h"

namespace cantrel::test {

// Every entry below Root by its relative path: a file's bytes, a folder as
// "<folder>", a link as "<link>" and its target.
std::map<std::string, std::string> TreeContents(const std::string& Root);

// Copies the folders and files below From to To, leaving out files whose
// name ends in Extension.
void CopyWithout(const std::string& From, const std::string& To, const std::string& Extension);

// cantrel-cli --watch -v running on a folder, its "up to date" lines read
// from its error output as they come.
class TWatchRun {
public:
  TWatchRun(const TTempDir& Scratch, std::vector<std::string> Arguments, std::vector<std::string> Environment = {},
            std::string Program = CANTREL_CLI_PATH);
  ~TWatchRun();
  TWatchRun(const TWatchRun&) = delete;
  TWatchRun& operator=(const TWatchRun&) = delete;

  // Waits for the Count-th "up to date" line and answers it; empty when it
  // did not come or the program ended.
  std::string UpToDate(int Count);
  // The first "up to date" line that was not yet written when called.
  std::string NextUpToDate();
  // Everything written to the error output so far.
  std::string Errors() const;
  // Ends it with Signal and answers the run.
  TCliResult Stop(int Signal);
  TCliResult Wait();

private:
  std::string FErrPath;
  TCliProcess FProcess;
  bool FWaited = false;
};

}  // namespace cantrel::test
