// TMemo and its lines as a string list.
#pragma once

#include <QPlainTextEdit>
#include <QTimer>
#include <chrono>
#include <memory>
#include <vector>

#include "runtime/Strings.h"
#include "widgets/WidgetStrings.h"

namespace cantrel {

// The lines of a plain-text editor as a string list: line I is the editor's
// block I, and each line ends with a line break, so an editor holding "a\n"
// has one line and an empty one none. Lines added at the end are batched:
// they reach the editor together at the end of an update, or when anything
// but an Add needs the editor; else those the editor has room to show (all
// while it has the focus) a moment later, and the others, which nobody sees
// yet, a slice at a time once lines stop coming, so that a long run of lines
// costs the window nothing while it lasts. The list always reads as if they
// were there already.
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
  // How many of the lines waiting the editor would show now: all of them
  // while it has the focus.
  std::size_t Shown() const;
  // Writes up to Limit of the lines added since into the editor.
  void Write(std::size_t Limit);
  void WriteSlice();

  QPlainTextEdit& FEdit;
  std::vector<String> FPending;
  // Written so far of FPending.
  std::size_t FWritten = 0;
  std::chrono::steady_clock::time_point FLastAdd;
  QTimer FFlushTimer;
  QTimer FSliceTimer;
};

// A multi-line plain-text field: editable, no word wrap, no scroll bars;
// Tab moves the focus on instead of typing a tab. Taking the focus writes
// every line still waiting into the editor.
class TMemo : public QPlainTextEdit {
  Q_OBJECT
  Q_CLASSINFO("BaseClass", "TComponent")
  Q_PROPERTY(cantrel::TStrings* Lines READ Lines)

public:
  explicit TMemo(QWidget* Parent = nullptr);

  TMemoStrings* Lines() const { return FLines.get(); }

protected:
  void focusInEvent(QFocusEvent* Event) override;

private:
  std::unique_ptr<TMemoStrings> FLines;
};

}  // namespace cantrel
