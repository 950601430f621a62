// TMemo and its lines as a string list.
#include "widgets/Memo.h"

#include <QTextBlock>
#include <algorithm>
#include <chrono>
#include <QTextCursor>

namespace cantrel {

namespace {

// Often enough to look live, rarely enough that a long run of lines costs
// one insertion per batch.
constexpr int FlushDelayMs = 50;
// Lines nobody sees yet wait until none came for this long...
constexpr int QuietDelayMs = 100;
// ...and then go in this many at a time, each slice quick enough to keep the
// window answering.
constexpr std::size_t SliceLines = 2000;

}  // namespace

TMemoStrings::TMemoStrings(QPlainTextEdit& Edit) : TWidgetStrings(Edit), FEdit(Edit) {
  FFlushTimer.setSingleShot(true);
  FFlushTimer.setInterval(FlushDelayMs);
  QObject::connect(&FFlushTimer, &QTimer::timeout, [this] {
    Write(Shown());
    if (FWritten < FPending.size()) FSliceTimer.start(QuietDelayMs);
  });
  FSliceTimer.setSingleShot(true);
  QObject::connect(&FSliceTimer, &QTimer::timeout, [this] { WriteSlice(); });
}

int TMemoStrings::EditorLines() const {
  const QTextDocument& Document = *FEdit.document();
  // The block after the last line break holds no line while it is empty.
  return Document.blockCount() - (Document.lastBlock().length() <= 1 ? 1 : 0);
}

int TMemoStrings::Count() const { return EditorLines() + static_cast<int>(FPending.size() - FWritten); }

String TMemoStrings::Get(int Index) const {
  CheckIndex(Index, Count() - 1);
  const int InEditor = EditorLines();
  if (Index >= InEditor) return FPending[FWritten + static_cast<std::size_t>(Index - InEditor)];
  return FEdit.document()->findBlockByNumber(Index).text().toStdU16String();
}

std::size_t TMemoStrings::Shown() const {
  if (FEdit.hasFocus()) return FPending.size() - FWritten;
  const int Room = FEdit.viewport()->height() / std::max(FEdit.fontMetrics().lineSpacing(), 1) + 1;
  return static_cast<std::size_t>(std::max(Room - EditorLines(), 0));
}

void TMemoStrings::Put(int Index, const String& S) {
  Flush();
  CheckIndex(Index, Count() - 1);
  QTextCursor Cursor(FEdit.document()->findBlockByNumber(Index));
  Cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
  Cursor.insertText(QString::fromStdU16String(S));
}

int TMemoStrings::Add(const String& S) {
  FPending.push_back(S);
  if (UpdateCount() == 0) {
    FLastAdd = std::chrono::steady_clock::now();
    if (FFlushTimer.isActive() || FSliceTimer.isActive()) return Count() - 1;
    if (Shown() > 0)
      FFlushTimer.start();
    else
      FSliceTimer.start(QuietDelayMs);
  }
  return Count() - 1;
}

void TMemoStrings::Insert(int Index, const String& S) {
  if (Index == Count()) {
    Add(S);
    return;
  }
  Flush();
  CheckIndex(Index, Count() - 1);
  QTextCursor Cursor(FEdit.document()->findBlockByNumber(Index));
  Cursor.insertText(QString::fromStdU16String(S) + u'\n');
}

void TMemoStrings::Delete(int Index) {
  Flush();
  CheckIndex(Index, Count() - 1);
  const QTextBlock Block = FEdit.document()->findBlockByNumber(Index);
  QTextCursor Cursor(Block);
  if (Block.next().isValid()) {
    Cursor.setPosition(Block.next().position(), QTextCursor::KeepAnchor);
  } else {
    // The last line has no break of its own: take the one before it.
    if (Index > 0) Cursor.setPosition(Block.position() - 1);
    Cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
  }
  Cursor.removeSelectedText();
}

void TMemoStrings::Clear() {
  FPending.clear();
  FWritten = 0;
  FFlushTimer.stop();
  FSliceTimer.stop();
  FEdit.clear();
}

void TMemoStrings::Flush() {
  FFlushTimer.stop();
  FSliceTimer.stop();
  Write(FPending.size());
}

void TMemoStrings::WriteSlice() {
  const auto Quiet = std::chrono::milliseconds(QuietDelayMs);
  if (const auto Since = std::chrono::steady_clock::now() - FLastAdd; Since < Quiet) {
    FSliceTimer.start(std::chrono::duration_cast<std::chrono::milliseconds>(Quiet - Since));
    return;
  }
  Write(SliceLines);
  if (!FPending.empty()) FSliceTimer.start(0);
}

void TMemoStrings::Write(std::size_t Limit) {
  const std::size_t End = std::min(FPending.size(), FWritten + Limit);
  if (FWritten == End) return;
  QString Text;
  // A last line typed without a break gets one before the new lines.
  if (FEdit.document()->lastBlock().length() > 1) Text += u'\n';
  for (std::size_t I = FWritten; I < End; ++I) Text.append(QString::fromStdU16String(FPending[I])).append(u'\n');
  FWritten = End;
  if (FWritten == FPending.size()) {
    FPending.clear();
    FWritten = 0;
  }
  QTextCursor Cursor(FEdit.document());
  Cursor.movePosition(QTextCursor::End);
  Cursor.insertText(Text);
}

void TMemoStrings::SetUpdateState(bool Updating) {
  if (!Updating) Flush();
}

TMemo::TMemo(QWidget* Parent) : QPlainTextEdit(Parent), FLines(std::make_unique<TMemoStrings>(*this)) {
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // Tab moves on to the next control, as in every other box of the window.
  setTabChangesFocus(true);
  // Lines come by the ten thousand during a search; an undo history of them
  // would only cost memory.
  document()->setUndoRedoEnabled(false);
}

void TMemo::focusInEvent(QFocusEvent* Event) {
  FLines->Flush();
  QPlainTextEdit::focusInEvent(Event);
}

}  // namespace cantrel
