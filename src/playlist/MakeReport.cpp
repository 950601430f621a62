#include "playlist/MakeReport.h"

namespace cantrel {

EMakeError::EMakeError(TMakeReport Report) : EFCreateError(Report.Failures.front().Message), FReport(std::move(Report)) {}

}  // namespace cantrel
