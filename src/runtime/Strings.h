// TStrings and TStringList: lists of text lines, each with an object.
#pragma once

#include <functional>

#include "runtime/Object.h"

namespace cantrel {

struct TResStringRec;

using TNotifyEvent = std::function<void(TObject& Sender)>;

// An abstract list of text lines, each of which may carry an object.
class TStrings : public TPersistent {
public:
  // Lines are joined with this break; Text accepts CR, LF and CR LF.
  static constexpr StringView LineBreak = u"\n";

  virtual int Count() const = 0;
  virtual String Get(int Index) const = 0;
  virtual void Put(int Index, const String& S);
  virtual TObject* GetObject(int Index) const;
  virtual void PutObject(int Index, TObject* Object);

  virtual int Add(const String& S);
  int AddObject(const String& S, TObject* Object);
  void AddStrings(const TStrings& Strings);
  virtual void Insert(int Index, const String& S) = 0;
  void InsertObject(int Index, const String& S, TObject* Object);
  virtual void Delete(int Index) = 0;
  virtual void Clear() = 0;
  virtual int IndexOf(const String& S) const;

  String operator[](int Index) const { return Get(Index); }

  String Text() const;
  void SetText(StringView Text);

  // Changes between BeginUpdate and the matching EndUpdate are announced
  // once, at the end.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }

  void Assign(const TPersistent& Source) override;

protected:
  virtual void SetUpdateState(bool Updating);
  // Compares two lines for IndexOf and sorting.
  virtual int CompareStrings(const String& S1, const String& S2) const;
  [[noreturn]] void Error(const TResStringRec* Message, int Data) const;

private:
  int FUpdateCount = 0;
};

// Holds a list between BeginUpdate and EndUpdate for its lifetime.
class TStringsUpdate {
public:
  explicit TStringsUpdate(TStrings& List) : FList(List) { FList.BeginUpdate(); }
  ~TStringsUpdate() { FList.EndUpdate(); }
  TStringsUpdate(const TStringsUpdate&) = delete;
  TStringsUpdate& operator=(const TStringsUpdate&) = delete;

private:
  TStrings& FList;
};

enum class TDuplicates : std::uint8_t { dupIgnore, dupAccept, dupError };

// A list of lines that may keep itself sorted, owning the lines' objects on
// request.
class TStringList : public TStrings {
public:
  using TCompareFunction = std::function<int(const String& S1, const String& S2)>;

  explicit TStringList(bool OwnsObjects = false);
  ~TStringList() override;

  int Count() const override { return static_cast<int>(FList.size()); }
  String Get(int Index) const override;
  // The line itself, not a copy.
  const String& At(int Index) const;
  void Put(int Index, const String& S) override;
  TObject* GetObject(int Index) const override;
  void PutObject(int Index, TObject* Object) override;

  int Add(const String& S) override;
  void Insert(int Index, const String& S) override;
  void Delete(int Index) override;
  void Clear() override;
  int IndexOf(const String& S) const override;

  // Binary search of a sorted list: true when found; Index is then the
  // position of S, else the position where S belongs.
  bool Find(const String& S, int& Index) const;
  void Sort();
  void CustomSort(const std::function<int(TStringList& List, int Index1, int Index2)>& Compare);

  bool Sorted() const { return FSorted; }
  void SetSorted(bool Value);
  TDuplicates Duplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }
  bool CaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool Value);
  // Replaces the comparison of lines; an empty function restores it.
  void SetCompareFunction(TCompareFunction Compare);
  bool OwnsObjects() const { return FOwnsObjects; }

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

protected:
  void SetUpdateState(bool Updating) override;
  int CompareStrings(const String& S1, const String& S2) const override;

private:
  struct TStringItem {
    String FString;
    TObject* FObject = nullptr;
  };

  void CheckIndex(int Index) const;
  void InsertItem(int Index, const String& S, TObject* Object);
  void Changing();
  void Changed();

  std::vector<TStringItem> FList;
  bool FSorted = false;
  TDuplicates FDuplicates = TDuplicates::dupIgnore;
  bool FCaseSensitive = false;
  bool FOwnsObjects;
  TCompareFunction FCompare;
};

}  // namespace cantrel
