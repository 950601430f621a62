#include "filesearch/FileEnumerator.h"

#include <algorithm>

namespace cantrel {

TFileEnumerator::~TFileEnumerator() {
  StopAllTasks(true);
  // Dropping a task's hand-over releases a worker that waits in it and keeps
  // every later report, its end step included, from running. The task may
  // free itself right after, so nothing of it is touched again.
  for (TEnumFileThread* Task : FTasks) {
    if (Task->Started())
      Task->CancelSynchronize();
    else
      delete Task;
  }
}

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
  auto* Task =
      new TEnumFileThread(FNextTaskID++, *this, FSynchronizationMode, EnterDirectoryHandler(), FOnDirectoryError);
  Task->OnTerminate = [this](TThread& Sender) { TaskTerminated(static_cast<TEnumFileThread&>(Sender)); };
  FTasks.push_back(Task);
  return Task;
}

int TFileEnumerator::ForEach(TFileHandlerEx Handler) {
  TEnumFileThread* Task = CreateTask();
  Task->SetFileHandlerEx(std::move(Handler));
  const int ID = Task->ID();
  Task->Start();
  return ID;
}

int TFileEnumerator::ForEach(TFileHandler Handler) {
  TEnumFileThread* Task = CreateTask();
  Task->SetFileHandler(std::move(Handler));
  const int ID = Task->ID();
  Task->Start();
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
  const auto It =
      std::find_if(FTasks.begin(), FTasks.end(), [ID](const TEnumFileThread* Task) { return Task->ID() == ID; });
  if (It != FTasks.end()) (*It)->Terminate();
}

void TFileEnumerator::StopAllTasks(bool Silently) {
  for (TEnumFileThread* Task : FTasks) {
    Task->SetNotifyOnTermination(!Silently);
    Task->Terminate();
  }
}

// The task's end step, on the main thread. A silently stopped task leaves
// the list too, without a report. The event may free this enumerator, so it
// is called from a copy and nothing of this object is touched after it.
void TFileEnumerator::TaskTerminated(TEnumFileThread& Task) {
  FTasks.erase(std::remove(FTasks.begin(), FTasks.end(), &Task), FTasks.end());
  if (!Task.NotifyOnTermination() || !FOnTerminateTask) return;
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
