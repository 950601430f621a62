#pragma once

#include <QPlainTextEdit>
#include <QTimer>
#include <memory>
#include <vector>

#include "runtime/Strings.h"
#include "widgets/WidgetStrings.h"

namespace cantrel {

// The lines of a plain-text editor as a string list: line I is the editor's
// block I, and each line ends with a line break, so an editor holding "a\n"
// has one line and an empty one none. Lines added at the end are batched:
// they reach the editor together, at the end of an update, a moment later
// or when anything but an Add needs the editor; the list always reads as if
// they were there already.
class TMemoStrings : public TWidgetStrings {
public:
  explicit TMemoStrings(QPlainTextEdit& Edit);

  int Count() const override;
  String Get(int Index) const override;
  void Put(int Index, const String& S) override;
  int Add(const String& S) override;
  void Insert(int Index, const String& S) override;
  void Delete(int Index) override;
  void Clear() override;

  // Writes the lines added since into the editor at once.
  void Flush();

protected:
  void SetUpdateState(bool Updating) override;

private:
  int EditorLines() const;

  QPlainTextEdit& FEdit;
  std::vector<String> FPending;
  QTimer FFlushTimer;
};

// A multi-line plain-text field: editable, no word wrap, no scroll bars.
class TMemo : public QPlainTextEdit {
  Q_OBJECT
  Q_CLASSINFO("BaseClass", "TComponent")
  Q_PROPERTY(cantrel::TStrings* Lines READ Lines)

public:
  explicit TMemo(QWidget* Parent = nullptr);

  TMemoStrings* Lines() const { return FLines.get(); }

private:
  std::unique_ptr<TMemoStrings> FLines;
};

}  // namespace cantrel
