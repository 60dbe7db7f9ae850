#include "shell/AcqNotices.h"

#include "shell/AppEvents.h"

void PostAcqNotice(AcqNotice notice)
{
    switch (notice) {
    case AcqNotice::TracesReady:
        PostAppEvent(appevent::kTracesReady);
        break;
    case AcqNotice::StatusUpdate:
        PostAppEvent(appevent::kStatusUpdate);
        break;
    case AcqNotice::MarkerKey1:
        PostAppEvent(appevent::MarkerKey(0));
        break;
    case AcqNotice::AcquisitionEnded:
        PostAppEvent(appevent::kAcquisitionEnded);
        break;
    }
}
