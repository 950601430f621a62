#include "widgets/Memo.h"

#include <QTextBlock>
#include <QTextCursor>

namespace cantrel {

namespace {

// Often enough to look live, rarely enough that a long run of lines costs
// one insertion per batch.
constexpr int FlushDelayMs = 50;

}  // namespace

TMemoStrings::TMemoStrings(QPlainTextEdit& Edit) : TWidgetStrings(Edit), FEdit(Edit) {
  FFlushTimer.setSingleShot(true);
  FFlushTimer.setInterval(FlushDelayMs);
  QObject::connect(&FFlushTimer, &QTimer::timeout, [this] { Flush(); });
}

int TMemoStrings::EditorLines() const {
  const QTextDocument& Document = *FEdit.document();
  // The block after the last line break holds no line while it is empty.
  return Document.blockCount() - (Document.lastBlock().length() <= 1 ? 1 : 0);
}

int TMemoStrings::Count() const { return EditorLines() + static_cast<int>(FPending.size()); }

String TMemoStrings::Get(int Index) const {
  CheckIndex(Index, Count() - 1);
  const int InEditor = EditorLines();
  if (Index >= InEditor) return FPending[static_cast<std::size_t>(Index - InEditor)];
  return FEdit.document()->findBlockByNumber(Index).text().toStdU16String();
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
  if (UpdateCount() == 0 && !FFlushTimer.isActive()) FFlushTimer.start();
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
  FFlushTimer.stop();
  FEdit.clear();
}

void TMemoStrings::Flush() {
  FFlushTimer.stop();
  if (FPending.empty()) return;
  QString Text;
  // A last line typed without a break gets one before the new lines.
  if (FEdit.document()->lastBlock().length() > 1) Text += u'\n';
  for (const String& Line : FPending) Text.append(QString::fromStdU16String(Line)).append(u'\n');
  FPending.clear();
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
  // Lines come by the ten thousand during a search; an undo history of them
  // would only cost memory.
  document()->setUndoRedoEnabled(false);
}

}  // namespace cantrel
