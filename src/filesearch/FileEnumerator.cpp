// TFileEnumerator: file searches run in the background, one worker thread each.
#include "filesearch/FileEnumerator.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace cantrel {

TFileEnumerator::~TFileEnumerator() { StopAllTasks(true); }

void TFileEnumerator::SetOnEnterDirectory(TFileHandler Value) {
  FOnEnterDirectory = std::move(Value);
  FOnEnterDirectoryEx = nullptr;
}

void TFileEnumerator::SetOnEnterDirectoryEx(TDirectoryHandlerEx Value) {
  FOnEnterDirectoryEx = std::move(Value);
  FOnEnterDirectory = nullptr;
}

// The task knows one form: the bound one, or none.
TDirectoryHandlerEx TFileEnumerator::EnterDirectoryHandler() const {
  if (FOnEnterDirectoryEx || !FOnEnterDirectory) return FOnEnterDirectoryEx;
  return [Handler = FOnEnterDirectory](const String& Directory, const TEnteredDirectory&) { Handler(Directory); };
}

TEnumFileThread* TFileEnumerator::CreateTask() {
  auto Task = std::make_unique<TTask>();
  Task->Walker = std::make_shared<TEnumFileThread>(FNextTaskID++, *this, FSynchronizationMode,
                                                   EnterDirectoryHandler(), FOnDirectoryError);
  Task->Walker->OnTerminate = [this](TThread& Sender) { TaskTerminated(static_cast<TEnumFileThread&>(Sender)); };
  Task->Threads.Add(Task->Walker);
  Task->Readers = Task->Walker->TakeReaders();
  for (const std::shared_ptr<TThread>& Reader : Task->Readers) Task->Threads.Add(Reader);
  FTasks.push_back(std::move(Task));
  return FTasks.back()->Walker.get();
}

// The readers first, so that they wait for the walker's first folder.
void TFileEnumerator::StartTask(TEnumFileThread& Walker) {
  for (const std::unique_ptr<TTask>& Task : FTasks)
    if (Task->Walker.get() == &Walker)
      for (const std::shared_ptr<TThread>& Reader : Task->Readers) Reader->Start();
  Walker.Start();
}

int TFileEnumerator::ForEach(TFileHandlerEx Handler) {
  TEnumFileThread* Task = CreateTask();
  Task->SetFileHandlerEx(std::move(Handler));
  const int ID = Task->ID();
  StartTask(*Task);
  return ID;
}

int TFileEnumerator::ForEach(TFileHandler Handler) {
  TEnumFileThread* Task = CreateTask();
  Task->SetFileHandler(std::move(Handler));
  const int ID = Task->ID();
  StartTask(*Task);
  return ID;
}

int TFileEnumerator::FillList(TStrings& List) {
  List.BeginUpdate();
  try {
    const int ID = ForEach([&List](const String& FileName) { List.Add(FileName); });
    List.EndUpdate();
    return ID;
  } catch (...) {
    List.EndUpdate();
    throw;
  }
}

void TFileEnumerator::StopTask(int ID) {
  const auto It = std::find_if(FTasks.begin(), FTasks.end(),
                               [ID](const std::unique_ptr<TTask>& Task) { return Task->Walker->ID() == ID; });
  if (It != FTasks.end()) (*It)->Threads.Terminate();
}

// All tasks are stopped before any is waited for, so that they share one
// deadline.
void TFileEnumerator::StopAllTasks(bool Silently) {
  if (!Silently) {
    for (const std::unique_ptr<TTask>& Task : FTasks) Task->Threads.Terminate();
    return;
  }
  const TTasks Ended = std::exchange(FTasks, {});
  for (const std::unique_ptr<TTask>& Task : Ended) Task->Threads.Stop();
  const auto Deadline = std::chrono::steady_clock::now() + TThreadGroup::Patience;
  for (const std::unique_ptr<TTask>& Task : Ended) Task->Threads.Join(Deadline);
}

// The task's end step, its last report, on the main thread. The task goes
// with it; its walker ends on its own once the step has returned. The event
// may free this enumerator, so it is called from a copy and nothing of this
// object is touched after it.
void TFileEnumerator::TaskTerminated(TEnumFileThread& Task) {
  const auto It = std::find_if(FTasks.begin(), FTasks.end(),
                               [&Task](const std::unique_ptr<TTask>& Listed) { return Listed->Walker.get() == &Task; });
  if (It == FTasks.end()) return;
  const std::unique_ptr<TTask> Ended = std::move(*It);
  FTasks.erase(It);
  if (!FOnTerminateTask) return;
  const TFileSearchTerminationEvent Event = FOnTerminateTask;
  Event(Task.ID(), Task.Terminated(), FailureOf(Task));
}

// Making the message may fail in turn (memory still short, a catalog error
// while translating it): the walk is reported as failed all the same.
std::optional<String> TFileEnumerator::FailureOf(const TEnumFileThread& Task) {
  const std::exception_ptr Error = Task.FatalException();
  if (!Error) return std::nullopt;
  try {
    return ExceptionMessage(Error);
  } catch (...) {
    return String();
  }
}

}  // namespace cantrel
