// What a Make reports: names left out and playlists not written.
#include "playlist/MakeReport.h"

namespace cantrel {

EMakeError::EMakeError(TMakeReport Report) : EFCreateError(Report.Failures.front().Message), FReport(std::move(Report)) {}

}  // namespace cantrel
