// TStatusBar and its panels.
#pragma once

#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QStatusBar>
#include <QTimer>

#include "runtime/String.h"

namespace cantrel {

// One text panel of a status bar: a width at 96 dots per inch, an alignment
// and a bevel. A new text is drawn at once, and then at most a few times a
// second however often it changes, so that a search reporting thousands of
// folders a second does not spend its time drawing them; Text always reads
// the latest. The label's tooltip holds the whole text drawn, which the
// panel's width may cut.
class TStatusPanel : public QObject {
  Q_OBJECT
  Q_CLASSINFO("BaseClass", "TCollectionItem")
  Q_PROPERTY(cantrel::String Text READ Text WRITE SetText)
  Q_PROPERTY(int Width READ Width WRITE SetWidth)
  Q_PROPERTY(TAlignment Alignment READ Alignment WRITE SetAlignment)
  Q_PROPERTY(TStatusPanelBevel Bevel READ Bevel WRITE SetBevel)

public:
  enum TAlignment { taLeftJustify, taRightJustify, taCenter };
  Q_ENUM(TAlignment)
  enum TStatusPanelBevel { pbNone, pbLowered, pbRaised };
  Q_ENUM(TStatusPanelBevel)

  // The panel draws itself as a label on Bar.
  TStatusPanel(QObject& Panels, QWidget& Bar);
  ~TStatusPanel() override;

  String Text() const { return FText; }
  void SetText(const String& Value);
  int Width() const { return FWidth; }
  void SetWidth(int Value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  TStatusPanelBevel Bevel() const { return FBevel; }
  void SetBevel(TStatusPanelBevel Value);

  QLabel* Label() const { return FLabel; }

signals:
  void LayoutChanged();

private:
  void ShowText();

  QPointer<QLabel> FLabel;
  String FText;
  QTimer FShowTimer;
  bool FShowPending = false;
  int FWidth = 50;
  TAlignment FAlignment = taLeftJustify;
  TStatusPanelBevel FBevel = pbLowered;
};

// The panels of a status bar, in order from the left.
class TStatusPanels : public QObject {
  Q_OBJECT
  Q_CLASSINFO("BaseClass", "TCollection")
  Q_PROPERTY(cantrel::String PropName READ PropName WRITE SetPropName)

public:
  explicit TStatusPanels(QWidget& Bar);

  TStatusPanel* Add();
  int Count() const { return static_cast<int>(FItems.size()); }
  TStatusPanel* Items(int Index) const { return FItems.at(static_cast<std::size_t>(Index)); }
  // The name under which the bar publishes its panels.
  String PropName() const { return FPropName; }
  void SetPropName(const String& Value) { FPropName = Value; }

  // Places the panels side by side, each as wide as it says, but the last,
  // which reaches the bar's right edge; a panel that would reach past that
  // edge ends there, so that its text, right-aligned too, stays in sight.
  void LayoutPanels();

private:
  QWidget& FBar;
  std::vector<TStatusPanel*> FItems;
  String FPropName = u"Panels";
};

// A status bar of text panels, without a size grip.
class TStatusBar : public QStatusBar {
  Q_OBJECT
  Q_CLASSINFO("BaseClass", "TComponent")
  Q_PROPERTY(cantrel::TStatusPanels* Panels READ Panels)

public:
  explicit TStatusBar(QWidget* Parent = nullptr);

  TStatusPanels* Panels() const { return FPanels; }

protected:
  void resizeEvent(QResizeEvent* Event) override;

private:
  TStatusPanels* FPanels;
};

// The window's status bar. Like every Qt widget it takes child controls,
// placed where their geometry says, beside its panels.
class TStatusBarEx : public TStatusBar {
  Q_OBJECT

public:
  using TStatusBar::TStatusBar;
};

}  // namespace cantrel
