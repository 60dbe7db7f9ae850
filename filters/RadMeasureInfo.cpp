#include "filters/RadMeasureInfo.h"

// Not built yet: the description is read with the data set's header reader, which is not in
// the model yet. Until then no header can be read.
bool ReadRadMeasureInfo(const std::string& /*radPath*/, MeasureInfo& /*info*/)
{
    return false;
}
