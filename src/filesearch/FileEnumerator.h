// TFileEnumerator: file searches run in the background, one worker thread each.
#pragma once

#include <memory>
#include <vector>

#include "filesearch/EnumFileThread.h"
#include "filesearch/FileSearchCriteria.h"

namespace cantrel {

// Runs file searches in the background, each as a task on its own worker
// thread with a copy of the options taken when it starts. Every operation
// and every report happens on the main thread, which must call
// CheckSynchronize (or run an event loop that does) for reports to come.
class TFileEnumerator : public TFileSearchCriteria {
public:
  TFileEnumerator() = default;
  // Stops every task silently.
  ~TFileEnumerator() override;
  TFileEnumerator(const TFileEnumerator&) = delete;
  TFileEnumerator& operator=(const TFileEnumerator&) = delete;

  // Starts a task that hands each file found to Handler and returns its id:
  // 0, 1, 2 and so on.
  int ForEach(TFileHandlerEx Handler);
  int ForEach(TFileHandler Handler);
  // Starts a task that appends each file's full path to List, which must
  // outlive the task.
  int FillList(TStrings& List);

  // Asks the task with this id to stop; an unknown id does nothing.
  void StopTask(int ID);
  // Asks every task to stop. A silent stop ends the tasks for good: once it
  // returns, no report of theirs runs any more, the end report included,
  // they no longer count as running, and their threads have ended but for
  // any still stuck after TThreadGroup::Patience, which end on their own.
  void StopAllTasks(bool Silently = false);
  // The tasks started and not yet ended.
  int GetRunningTasks() const { return static_cast<int>(FTasks.size()); }

  // Used by the tasks started afterwards.
  TFileEnumeratorSyncMode GetSynchronizationMode() const { return FSynchronizationMode; }
  void SetSynchronizationMode(TFileEnumeratorSyncMode Value) { FSynchronizationMode = Value; }

  // Reported once per directory entered, with the directory's path; the
  // second form also with what the walk saw of it (TEnteredDirectory).
  // Setting one form unbinds the other.
  const TFileHandler& GetOnEnterDirectory() const { return FOnEnterDirectory; }
  void SetOnEnterDirectory(TFileHandler Value);
  const TDirectoryHandlerEx& GetOnEnterDirectoryEx() const { return FOnEnterDirectoryEx; }
  void SetOnEnterDirectoryEx(TDirectoryHandlerEx Value);
  // Reported, in walk order, for each folder that cannot be listed; such a
  // folder is not entered and the walk goes on with the next one.
  const TDirectoryErrorEvent& GetOnDirectoryError() const { return FOnDirectoryError; }
  void SetOnDirectoryError(TDirectoryErrorEvent Value) { FOnDirectoryError = std::move(Value); }
  // Reported once at the end of a task, unless it was stopped silently;
  // with the error's message when the walk failed.
  const TFileSearchTerminationEvent& GetOnTerminateTask() const { return FOnTerminateTask; }
  void SetOnTerminateTask(TFileSearchTerminationEvent Value) { FOnTerminateTask = std::move(Value); }

protected:
  // A new task, suspended and counted in RunningTasks; the caller gives it
  // its handler and starts it.
  TEnumFileThread* CreateTask();

private:
  // A task: its walker, its readers, and the group of every thread that
  // works for it.
  struct TTask {
    std::shared_ptr<TEnumFileThread> Walker;
    std::vector<std::shared_ptr<TThread>> Readers;
    TThreadGroup Threads;
  };
  using TTasks = std::vector<std::unique_ptr<TTask>>;

  void StartTask(TEnumFileThread& Walker);
  TDirectoryHandlerEx EnterDirectoryHandler() const;
  void TaskTerminated(TEnumFileThread& Task);
  static std::optional<String> FailureOf(const TEnumFileThread& Task);

  // A task leaves the list in its end step or when it is stopped silently.
  TTasks FTasks;
  TFileHandler FOnEnterDirectory;
  TDirectoryHandlerEx FOnEnterDirectoryEx;
  TDirectoryErrorEvent FOnDirectoryError;
  TFileSearchTerminationEvent FOnTerminateTask;
  int FNextTaskID = 0;
  TFileEnumeratorSyncMode FSynchronizationMode = TFileEnumeratorSyncMode::smPerFile;
};

}  // namespace cantrel
